#include "Taddurlform.h"

namespace larkspin {

Taddurlform::Taddurlform(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Add URL..."));
}

} // namespace larkspin
