#include "TPlugInForm.h"

namespace larkspin {

TPlugInForm::TPlugInForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Settings..."));
}

} // namespace larkspin
