#pragma once

// Answers modal windows of the program under test as they appear: a timer of the test looks for the
// active modal window and hands it to the answer that is waiting for its kind.
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

class ModalAnswer : public QObject {
public:
    // answer returns true when it dealt with the window (it is then forgotten).
    explicit ModalAnswer(std::function<bool(QWidget*)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && answer_ && answer_(modal)) {
                answer_ = nullptr;
                timer_.stop();
            }
        });
        timer_.start();
    }
    bool answered() const { return !answer_; }

private:
    std::function<bool(QWidget*)> answer_;
    QTimer timer_;
};

// The message box a window has open without blocking (window-modal), if any.
inline QMessageBox* OpenMessage(QWidget* parent) {
    for (QMessageBox* box : parent->findChildren<QMessageBox*>())
        if (box->isVisible())
            return box;
    return nullptr;
}
