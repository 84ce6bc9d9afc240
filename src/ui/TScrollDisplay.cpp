#include "TScrollDisplay.h"

#include "ColorContrast.h"

#include "LedArithmetic.h"
#include "SkinPainter.h"

#include <QPainter>

namespace larkspin {

TScrollDisplay::TScrollDisplay(QWidget* parent, int cells) : QWidget(parent), cells_(cells) {
    setAttribute(Qt::WA_TranslucentBackground);
    timer_.setInterval(StepInterval);
    connect(&timer_, &QTimer::timeout, this, &TScrollDisplay::step);
}

void TScrollDisplay::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    offset_ = 0;
    autoScroll_ = text_.size() > cells_;
    runTimer();
    update();
}

void TScrollDisplay::runTimer() {
    // A text that fits, or a display nobody sees, has nothing to step.
    if (autoScroll_ && isVisible())
        timer_.start();
    else
        timer_.stop();
}

void TScrollDisplay::showEvent(QShowEvent* event) {
    runTimer();
    QWidget::showEvent(event);
}

void TScrollDisplay::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

QString TScrollDisplay::visibleText() const {
    return DisplayCells(text_, offset_, cells_);
}

void TScrollDisplay::step() {
    if (!autoScroll_)
        return;
    offset_ = int((offset_ + 1) % text_.size());
    update();
}

void TScrollDisplay::setSkin(const SkinDescription& skin) {
    skin_ = skin;
    update();
}

QColor TScrollDisplay::DisplayCellBacking(const QColor& on, const QColor& off) {
    return ReadableAgainst(off.darker(160), on);
}

void TScrollDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const qreal cellW = qreal(width()) / cells_;
    QFont f = SkinPainter::displayFont(std::max(7, int(height() * 0.78)), skin_.font(SkinFont::Display).family);
    p.setFont(f);
    QFontMetricsF fm(f);
    const qreal baseline = (height() + fm.ascent() - fm.descent()) / 2.0;
    const QString shown = visibleText();
    QColor on = skin_.color(SkinColor::LedOn);
    QColor glow = on;
    glow.setAlpha(60);
    // Each cell has its own dim backing, like the cells of a dot-matrix display, kept far enough from
    // the lit colour that the title reads well: dark digits of a pale skin get a light backing.
    const QColor backing = DisplayCellBacking(on, skin_.color(SkinColor::LedOff));
    for (int i = 0; i < cells_; ++i) {
        const qreal x = i * cellW;
        p.fillRect(QRectF(x + 0.5, 1, cellW - 1, height() - 2), backing);
        const QChar c = shown.at(i);
        if (c.isSpace())
            continue;
        const qreal cx = x + (cellW - fm.horizontalAdvance(c)) / 2.0;
        p.setPen(glow);
        p.drawText(QPointF(cx + 0.6, baseline), QString(c));
        p.setPen(on);
        p.drawText(QPointF(cx, baseline), QString(c));
    }
}

} // namespace larkspin
