#pragma once

#include <QDialog>

namespace larkspin {

// The settings window, opened modally from the main window.
class TPlugInForm : public QDialog {
    Q_OBJECT
public:
    explicit TPlugInForm(QWidget* parent = nullptr);
};

} // namespace larkspin
