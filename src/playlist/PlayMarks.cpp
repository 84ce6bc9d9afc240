#include "PlayMarks.h"

#include <QPainter>
#include <QPolygon>

#include <array>

namespace larkspin {

QImage PlayMarkPicture(int index) {
    QImage image(PlayMarkSize, PlayMarkSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (index < 1 || index >= PlayMarkCount)
        return image;
    static const std::array<QColor, PlayMarkCount - 1> colours = {
        QColor(0, 0, 0), QColor(255, 255, 255), QColor(0, 0, 255), QColor(255, 255, 0), QColor(255, 0, 0)};
    const QColor colour = colours[static_cast<size_t>(index - 1)];
    QPainter p(&image);
    p.setPen(colour);
    p.setBrush(colour);
    p.drawPolygon(QPolygon({QPoint(4, 3), QPoint(4, 12), QPoint(11, 7), QPoint(11, 8)}));
    return image;
}

} // namespace larkspin
