#include "TSkinSlider.h"

#include "LedArithmetic.h"
#include "SkinPainter.h"

#include <QMouseEvent>
#include <QPainter>

namespace larkspin {

TSkinSlider::TSkinSlider(QWidget* parent, int handleWidth)
    : QAbstractSlider(parent), handleWidth_(handleWidth) {
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::NoFocus);
    setTracking(true);
}

int TSkinSlider::valueAt(int x) const {
    return SliderValueAt(x, width(), handleWidth_, minimum(), maximum());
}

void TSkinSlider::setSkin(const SkinDescription& skin) {
    skin_ = skin;
    update();
}

void TSkinSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setSliderPosition(valueAt(int(event->position().x())));
    setSliderDown(true);
    event->accept();
}

void TSkinSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    setSliderPosition(valueAt(int(event->position().x())));
}

void TSkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isSliderDown()) {
        event->ignore();
        return;
    }
    setSliderDown(false);
}

void TSkinSlider::wheelEvent(QWheelEvent* event) {
    if (wheelEnabled_)
        QAbstractSlider::wheelEvent(event);
    else
        event->ignore();
}

void TSkinSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int left = SliderHandleLeft(sliderPosition(), width(), handleWidth_, minimum(), maximum());
    const QRectF handle(left + 0.5, 0.5, handleWidth_ - 1, height() - 1);

    QPixmap groove = skin_.bitmap(QStringLiteral("slider.groove"));
    const qreal gh = std::max(3.0, height() * 0.36);
    const QRectF track(handleWidth_ / 2.0, (height() - gh) / 2.0, width() - handleWidth_, gh);
    if (!groove.isNull()) {
        p.drawPixmap(rect(), groove);
    } else {
        p.setPen(skin_.color(SkinColor::WindowLight).darker(130));
        p.setBrush(skin_.color(SkinColor::SliderGroove));
        p.drawRoundedRect(track.adjusted(-1, -1, 1, 1), gh / 2, gh / 2);
        if (maximum() > minimum() && sliderPosition() > minimum()) {
            QRectF fill = track.adjusted(0.5, 0.5, 0, -0.5);
            fill.setRight(handle.center().x());
            QColor c = skin_.color(SkinColor::SliderFill);
            QLinearGradient g(fill.topLeft(), fill.bottomLeft());
            g.setColorAt(0, c.lighter(130));
            g.setColorAt(1, c.darker(120));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawRoundedRect(fill, gh / 2 - 0.5, gh / 2 - 0.5);
        }
    }

    QPixmap knob = skin_.bitmap(QStringLiteral("slider.handle"));
    if (!knob.isNull()) {
        p.drawPixmap(handle.toRect(), knob);
        return;
    }
    QColor c = skin_.color(SkinColor::SliderHandle);
    if (isSliderDown())
        c = c.lighter(112);
    QLinearGradient g(handle.topLeft(), handle.bottomLeft());
    g.setColorAt(0, c.lighter(115));
    g.setColorAt(1, c.darker(160));
    p.setPen(skin_.color(SkinColor::WindowEdge));
    p.setBrush(g);
    p.drawRoundedRect(handle, 2, 2);
    // Grip lines.
    p.setPen(QPen(QColor(0, 0, 0, 110), 1));
    const qreal cx = handle.center().x();
    for (int i = -1; i <= 1; ++i)
        p.drawLine(QPointF(cx + i * 2.5, handle.top() + 3), QPointF(cx + i * 2.5, handle.bottom() - 3));
}

} // namespace larkspin
