#include "Taddfilesform.h"

namespace larkspin {

Taddfilesform::Taddfilesform(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import audiofiles..."));
}

} // namespace larkspin
