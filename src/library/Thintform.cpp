#include "Thintform.h"

#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace larkspin {

namespace {

constexpr int PointerOffset = 5;
const char* const Captions[] = {"Artist:", "Title:", "Album:", "Location:", "Bitrate:", "Length:"};

} // namespace

Thintform::Thintform(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Trackinfos..."));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setMouseTracking(true);
    // The box is drawn translucent (220 of 255).
    setWindowOpacity(220.0 / 255.0);

    auto* box = new QGroupBox(QStringLiteral("Trackinfos..."));
    box->setMouseTracking(true);
    auto* grid = new QGridLayout(box);
    for (int i = 0; i < 6; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(Captions[i]));
        caption->setStyleSheet(QStringLiteral("font-weight: bold"));
        values_[i] = new QLabel(QStringLiteral("---"));
        values_[i]->setMinimumWidth(160);
        grid->addWidget(caption, i, 0);
        grid->addWidget(values_[i], i, 1);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(box);
    for (QWidget* w : findChildren<QWidget*>())
        w->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Asking for the pointer is a round trip to the display server: only while the window shows.
    pointerTimer_.setObjectName(QStringLiteral("pointerTimer"));
    pointerTimer_.setInterval(100);
    connect(&pointerTimer_, &QTimer::timeout, this, [this] { CheckPointer(QCursor::pos()); });
}

void Thintform::showEvent(QShowEvent* event) {
    pointerTimer_.start();
    QWidget::showEvent(event);
}

void Thintform::hideEvent(QHideEvent* event) {
    pointerTimer_.stop();
    QWidget::hideEvent(event);
}

void Thintform::ShowTrack(const QPoint& pointer, const TrackTexts& texts) {
    for (int i = 0; i < 6; ++i)
        values_[i]->setText(texts[i]);
    adjustSize();
    move(pointer + QPoint(PointerOffset, PointerOffset));
    if (!isVisible())
        show();
}

void Thintform::CheckPointer(const QPoint& pointer) {
    if (!isVisible())
        return;
    const bool inside = watched_ && watched_->isVisible() &&
                        QRect(watched_->mapToGlobal(QPoint(0, 0)), watched_->size()).contains(pointer);
    if (!inside)
        close();
}

void Thintform::mouseMoveEvent(QMouseEvent* event) {
    move(event->globalPosition().toPoint() + QPoint(PointerOffset, PointerOffset));
    QWidget::mouseMoveEvent(event);
}

} // namespace larkspin
