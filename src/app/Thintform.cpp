#include "Thintform.h"

namespace larkspin {

Thintform::Thintform(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Trackinfos..."));
}

} // namespace larkspin
