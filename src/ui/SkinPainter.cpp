#include "SkinPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace larkspin::SkinPainter {
namespace {

// Segments a (top), b (upper right), c (lower right), d (bottom), e (lower left), f (upper left),
// g (middle), one bit each.
constexpr unsigned char SegmentMasks[10] = {
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
    0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111,
};

QPolygonF horizontalSegment(qreal x0, qreal x1, qreal y, qreal t) {
    qreal h = t / 2;
    return QPolygonF({{x0, y}, {x0 + h, y - h}, {x1 - h, y - h}, {x1, y}, {x1 - h, y + h}, {x0 + h, y + h}});
}

QPolygonF verticalSegment(qreal x, qreal y0, qreal y1, qreal t) {
    qreal h = t / 2;
    return QPolygonF({{x, y0}, {x + h, y0 + h}, {x + h, y1 - h}, {x, y1}, {x - h, y1 - h}, {x - h, y0 + h}});
}

} // namespace

void drawBevel(QPainter& p, const QRectF& r, const SkinDescription& skin, bool sunken) {
    QColor light = skin.color(SkinColor::WindowLight);
    QColor dark = skin.color(SkinColor::WindowEdge);
    if (sunken)
        std::swap(light, dark);
    QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(light);
    p.drawLine(b.topLeft(), b.topRight());
    p.drawLine(b.topLeft(), b.bottomLeft());
    p.setPen(dark);
    p.drawLine(b.bottomLeft(), b.bottomRight());
    p.drawLine(b.topRight(), b.bottomRight());
    p.restore();
}

void drawWindowBackground(QPainter& p, const QRect& r, const SkinDescription& skin) {
    QPixmap bg = skin.bitmap(QStringLiteral("background"));
    if (!bg.isNull()) {
        p.drawPixmap(r, bg);
        return;
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, skin.color(SkinColor::WindowTop));
    g.setColorAt(1, skin.color(SkinColor::WindowBottom));
    p.fillRect(r, g);
    // Fine horizontal brushing.
    p.save();
    for (int y = r.top(); y <= r.bottom(); y += 2)
        p.fillRect(QRect(r.left(), y, r.width(), 1), QColor(255, 255, 255, (y % 6 == 0) ? 7 : 3));
    p.restore();
    p.setPen(skin.color(SkinColor::WindowEdge));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    drawBevel(p, r.adjusted(1, 1, -1, -1), skin, false);
}

void drawLedPanel(QPainter& p, const QRect& r, const SkinDescription& skin) {
    p.save();
    drawBevel(p, r, skin, true);
    QRect inner = r.adjusted(1, 1, -1, -1);
    p.fillRect(inner, skin.color(SkinColor::Panel));
    // Inner shadow along the top and left edges and faint scan lines, as behind a smoked glass.
    QLinearGradient shade(inner.topLeft(), inner.topLeft() + QPoint(0, 8));
    shade.setColorAt(0, QColor(0, 0, 0, 150));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRect(inner.topLeft(), QSize(inner.width(), 8)), shade);
    QColor line = skin.color(SkinColor::LedOff);
    line.setAlpha(70);
    for (int y = inner.top() + 1; y < inner.bottom(); y += 3)
        p.fillRect(QRect(inner.left(), y, inner.width(), 1), line);
    QLinearGradient gloss(inner.topLeft(), inner.bottomLeft());
    gloss.setColorAt(0, QColor(255, 255, 255, 14));
    gloss.setColorAt(0.45, QColor(255, 255, 255, 4));
    gloss.setColorAt(0.46, QColor(255, 255, 255, 0));
    p.fillRect(inner, gloss);
    p.restore();
}

void drawSegmentDigit(QPainter& p, const QRectF& r, int digit, const SkinDescription& skin) {
    QPixmap strip = skin.bitmap(QStringLiteral("digits"));
    if (!strip.isNull()) {
        int cellW = strip.width() / 11;
        int cell = (digit >= 0 && digit <= 9) ? digit : 10;
        p.drawPixmap(r, strip, QRectF(cell * cellW, 0, cellW, strip.height()));
        return;
    }
    qreal w = r.width(), h = r.height();
    qreal t = std::max<qreal>(2.0, w * 0.2);
    qreal gap = t * 0.22;
    qreal left = t / 2, right = w - t / 2, top = t / 2, mid = h / 2, bottom = h - t / 2;
    QPolygonF segments[7] = {
        horizontalSegment(left + gap, right - gap, top, t),    // a
        verticalSegment(right, top + gap, mid - gap, t),       // b
        verticalSegment(right, mid + gap, bottom - gap, t),    // c
        horizontalSegment(left + gap, right - gap, bottom, t), // d
        verticalSegment(left, mid + gap, bottom - gap, t),     // e
        verticalSegment(left, top + gap, mid - gap, t),        // f
        horizontalSegment(left + gap, right - gap, mid, t),    // g
    };
    unsigned mask = (digit >= 0 && digit <= 9) ? SegmentMasks[digit] : 0;

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // A slight forward slant, as on a real LED display.
    QTransform tr;
    tr.translate(r.left() + h * 0.06, r.top());
    tr.shear(-0.09, 0);
    p.setTransform(tr, true);
    p.setPen(Qt::NoPen);
    QPainterPath lit;
    for (int i = 0; i < 7; ++i) {
        if (mask & (1u << i)) {
            lit.addPolygon(segments[i]);
            lit.closeSubpath();
        } else {
            p.setBrush(skin.color(SkinColor::LedOff));
            p.drawPolygon(segments[i]);
        }
    }
    lit.setFillRule(Qt::WindingFill);
    if (!lit.isEmpty()) {
        QColor glow = skin.color(SkinColor::LedOn);
        glow.setAlpha(55);
        p.strokePath(lit, QPen(glow, t * 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.fillPath(lit, skin.color(SkinColor::LedOn));
    }
    p.restore();
}

QFont displayFont(int pixelSize, const QString& family) {
    QFont f(family.isEmpty() ? QStringLiteral("DejaVu Sans Mono") : family);
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(pixelSize);
    f.setBold(true);
    return f;
}

QFont captionFont(int pixelSize, bool bold, const QString& family) {
    QFont f(family.isEmpty() ? QStringLiteral("DejaVu Sans") : family);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.3);
    return f;
}

} // namespace larkspin::SkinPainter
