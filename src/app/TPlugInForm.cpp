#include "TPlugInForm.h"

namespace larkspin {

TPlugInForm::TPlugInForm(TPlugInHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setWindowTitle(QStringLiteral("Settings..."));
}

} // namespace larkspin
