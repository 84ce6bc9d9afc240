#pragma once

#include <QDialog>

#include <memory>

namespace larkspin {

class TPlugInHost;

// The settings window, opened modally from the main window. It owns the decoder plug-in table: creating
// it enumerates the decoder plug-ins of the program folder.
class TPlugInForm : public QDialog {
    Q_OBJECT
public:
    explicit TPlugInForm(QWidget* mainWindow, QWidget* parent = nullptr);
    ~TPlugInForm() override;

    TPlugInHost& plugInHost() { return *host_; }

private:
    void FormCreate(QWidget* mainWindow);

    std::unique_ptr<TPlugInHost> host_;
};

} // namespace larkspin
