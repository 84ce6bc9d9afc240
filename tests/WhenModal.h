#pragma once

// Answering the modal windows (file dialogs, message boxes) a window test opens.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

namespace larkspin::test {

// Runs answer on the next modal window (a file dialog, a message box) once it is open; a window the
// answer left open is closed.
inline void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
            // An answer cut short by a failed check must not leave the test waiting on the window.
            if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
                dialog->reject();
        }
    });
    timer->start();
}

} // namespace larkspin::test
