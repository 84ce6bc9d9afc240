#include "TGetCDForm.h"

namespace larkspin {

TGetCDForm::TGetCDForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Medium name"));
}

} // namespace larkspin
