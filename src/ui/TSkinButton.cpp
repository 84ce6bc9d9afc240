#include "TSkinButton.h"

#include "SkinPainter.h"

#include <QPainter>
#include <QPainterPath>

namespace larkspin {

TSkinButton::TSkinButton(Glyph glyph, const QString& name, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyph), skinName_(name) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setObjectName(name);
}

void TSkinButton::setSkin(const SkinDescription& skin) {
    skin_ = skin;
    update();
}

void TSkinButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TSkinButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TSkinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool down = isDown();
    const QString base = QStringLiteral("button.") + skinName_;
    QPixmap bmp = skin_.bitmap((down || isChecked()) ? base + QStringLiteral(".down") : base);
    if (bmp.isNull() && (down || isChecked()))
        bmp = skin_.bitmap(base);
    if (!bmp.isNull()) {
        p.drawPixmap(rect(), bmp);
        return;
    }

    p.setRenderHint(QPainter::Antialiasing, true);
    const bool flat = glyph_ == Glyph::Menu || glyph_ == Glyph::Minimize || glyph_ == Glyph::Close;
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor glyphColor = skin_.color(SkinColor::ButtonGlyph);
    if (!isEnabled())
        glyphColor.setAlpha(90);
    if (!flat) {
        // Outer dark rim, then the face with a soft top light.
        p.setPen(skin_.color(SkinColor::WindowEdge));
        QColor faceTop = down ? skin_.color(SkinColor::ButtonFaceDown) : skin_.color(SkinColor::ButtonFace);
        if (hover_ && !down)
            faceTop = faceTop.lighter(115);
        QColor faceBottom = down ? faceTop.lighter(110) : faceTop.darker(150);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, faceTop);
        g.setColorAt(1, faceBottom);
        p.setBrush(g);
        p.drawRoundedRect(r, 2.5, 2.5);
        p.setPen(down ? QColor(0, 0, 0, 70) : QColor(255, 255, 255, 40));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 2, 2);
    } else if (hover_ || down) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, down ? 50 : 28));
        p.drawRoundedRect(r, 2, 2);
    }

    QRectF content = r.adjusted(2, 2, -2, -2);
    if (down)
        content.translate(0.5, 0.5);
    if (isCheckable()) {
        // The lamp of a toggle button, on its left.
        QRectF lamp(content.left() + 1.5, content.center().y() - 2, 4, 4);
        QColor lit = skin_.color(SkinColor::ButtonLit);
        p.setPen(QPen(QColor(0, 0, 0, 160), 0.8));
        if (isChecked()) {
            QColor halo = lit;
            halo.setAlpha(80);
            p.setBrush(halo);
            p.drawEllipse(lamp.adjusted(-1.2, -1.2, 1.2, 1.2));
            p.setBrush(lit);
        } else {
            p.setBrush(skin_.color(SkinColor::LedOff).lighter(130));
        }
        p.drawEllipse(lamp);
        content.setLeft(lamp.right() + 1);
    }
    drawGlyph(p, content, glyphColor);
}

void TSkinButton::drawGlyph(QPainter& p, const QRectF& r, const QColor& c) const {
    const qreal s = std::min(r.width(), r.height()) * 0.62;
    const QPointF m = r.center();
    QPainterPath path;
    switch (glyph_) {
    case Glyph::Text: {
        p.setPen(c);
        p.setFont(SkinPainter::captionFont(std::max(7, int(r.height() * 0.62)), true,
                                           skin_.font(SkinFont::Caption).family));
        p.drawText(r, Qt::AlignCenter, text());
        return;
    }
    case Glyph::Play:
        path.addPolygon(QPolygonF(
            {{m.x() - s * 0.4, m.y() - s / 2}, {m.x() + s * 0.5, m.y()}, {m.x() - s * 0.4, m.y() + s / 2}}));
        break;
    case Glyph::Pause:
        path.addRect(QRectF(m.x() - s * 0.42, m.y() - s / 2, s * 0.3, s));
        path.addRect(QRectF(m.x() + s * 0.12, m.y() - s / 2, s * 0.3, s));
        break;
    case Glyph::Stop:
        path.addRect(QRectF(m.x() - s * 0.42, m.y() - s * 0.42, s * 0.84, s * 0.84));
        break;
    case Glyph::Previous:
        path.addRect(QRectF(m.x() - s * 0.55, m.y() - s * 0.45, s * 0.16, s * 0.9));
        path.addPolygon(QPolygonF({{m.x() + s * 0.5, m.y() - s * 0.45},
                                   {m.x() - s * 0.35, m.y()},
                                   {m.x() + s * 0.5, m.y() + s * 0.45}}));
        break;
    case Glyph::Next:
        path.addPolygon(QPolygonF({{m.x() - s * 0.5, m.y() - s * 0.45},
                                   {m.x() + s * 0.35, m.y()},
                                   {m.x() - s * 0.5, m.y() + s * 0.45}}));
        path.addRect(QRectF(m.x() + s * 0.39, m.y() - s * 0.45, s * 0.16, s * 0.9));
        break;
    case Glyph::Menu:
        for (int i = -1; i <= 1; ++i)
            path.addRect(QRectF(m.x() - s * 0.45, m.y() + i * s * 0.32 - 0.6, s * 0.9, 1.2));
        break;
    case Glyph::Minimize:
        path.addRect(QRectF(m.x() - s * 0.45, m.y() + s * 0.25, s * 0.9, 1.6));
        break;
    case Glyph::Close: {
        p.setPen(QPen(c, 1.5, Qt::SolidLine, Qt::RoundCap));
        const qreal d = s * 0.4;
        p.drawLine(QPointF(m.x() - d, m.y() - d), QPointF(m.x() + d, m.y() + d));
        p.drawLine(QPointF(m.x() + d, m.y() - d), QPointF(m.x() - d, m.y() + d));
        return;
    }
    }
    path.setFillRule(Qt::WindingFill);
    // A faint shadow under the symbol lifts it from the face.
    p.fillPath(path.translated(0, 1), QColor(0, 0, 0, 110));
    p.fillPath(path, c);
}

} // namespace larkspin
