#include "Taddurlform.h"

namespace larkspin {

Taddurlform::Taddurlform(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Add URL..."));
}

} // namespace larkspin
