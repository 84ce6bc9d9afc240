#include "TLedDigit.h"

#include "LedArithmetic.h"
#include "SkinPainter.h"

#include <QPainter>

namespace larkspin {

TLedDigit::TLedDigit(QWidget* parent, bool blankZero) : QWidget(parent), blankZero_(blankZero) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TLedDigit::setValue(int value) {
    if (value == value_)
        return;
    int before = shownDigit();
    value_ = value;
    if (shownDigit() != before)
        update();
}

void TLedDigit::setBlankZero(bool on) {
    blankZero_ = on;
    update();
}

int TLedDigit::shownDigit() const {
    return LedShownDigit(value_, blankZero_);
}

void TLedDigit::setSkin(const SkinDescription& skin) {
    skin_ = skin;
    update();
}

void TLedDigit::paintEvent(QPaintEvent*) {
    QPainter p(this);
    SkinPainter::drawSegmentDigit(p, QRectF(rect()), shownDigit(), skin_);
}

} // namespace larkspin
