#include "TCoverImage.h"

#include "SkinPainter.h"

#include <QImageReader>
#include <QPainter>

namespace larkspin {

TCoverImage::TCoverImage(QWidget* parent) : QWidget(parent) {}

bool TCoverImage::loadFile(const QString& path) {
    QImageReader reader(path);
    // Pictures come out of users' files: a damaged one must not cost unbounded memory.
    reader.setAllocationLimit(64);
    QImage image = reader.read();
    picture_ = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    fileName_ = image.isNull() ? QString() : path;
    update();
    return !image.isNull();
}

void TCoverImage::clear() {
    picture_ = QPixmap();
    fileName_.clear();
    update();
}

void TCoverImage::setSkin(const SkinDescription& skin) {
    skin_ = skin;
    update();
}

void TCoverImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    if (picture_.isNull()) {
        SkinPainter::drawLedPanel(p, rect(), skin_);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawPixmap(inner, picture_);
    SkinPainter::drawBevel(p, rect(), skin_, true);
}

} // namespace larkspin
