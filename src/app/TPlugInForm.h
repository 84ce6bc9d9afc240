#pragma once

#include <QDialog>

namespace larkspin {

class TPlugInHost;

// The settings window, opened modally from the main window. It shows and configures the running
// program's decoder plug-ins.
class TPlugInForm : public QDialog {
    Q_OBJECT
public:
    explicit TPlugInForm(TPlugInHost& host, QWidget* parent = nullptr);

    TPlugInHost& plugInHost() { return host_; }

private:
    TPlugInHost& host_;
};

} // namespace larkspin
