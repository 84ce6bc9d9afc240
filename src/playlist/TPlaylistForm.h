#pragma once

#include <QWidget>

namespace larkspin {

// The playlist window.
class TPlaylistForm : public QWidget {
    Q_OBJECT
public:
    explicit TPlaylistForm(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace larkspin
