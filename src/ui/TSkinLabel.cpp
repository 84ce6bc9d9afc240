#include "TSkinLabel.h"

#include "SkinPainter.h"

#include <QPainter>

namespace larkspin {

TSkinLabel::TSkinLabel(const QString& text, SkinColor role, int pixelSize, QWidget* parent)
    : QWidget(parent), text_(text), role_(role), pixelSize_(pixelSize) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TSkinLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    update();
}

void TSkinLabel::setAlignment(Qt::Alignment a) {
    alignment_ = a;
    update();
}

void TSkinLabel::setBold(bool on) {
    bold_ = on;
    update();
}

void TSkinLabel::setMonospace(bool on) {
    monospace_ = on;
    update();
}

void TSkinLabel::setSkin(const SkinDescription& skin) {
    skin_ = skin;
    update();
}

void TSkinLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont f = monospace_ ? SkinPainter::displayFont(pixelSize_, skin_.font(SkinFont::Display).family)
                         : SkinPainter::captionFont(pixelSize_, bold_, skin_.font(SkinFont::Caption).family);
    if (monospace_)
        f.setBold(bold_);
    p.setFont(f);
    p.setPen(skin_.color(role_));
    const QString shown = p.fontMetrics().elidedText(text_, Qt::ElideRight, width());
    p.drawText(rect(), int(alignment_), shown);
}

} // namespace larkspin
