#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;

namespace larkspin {

// The borderless track-information hint window the library browser shows over its title list: a box
// "Trackinfos..." with the hovered title's artist, title, album, location, bit rate and length.
class Thintform : public QWidget {
    Q_OBJECT
public:
    // Artist, Title, Album, Location, Bitrate, Length.
    using TrackTexts = std::array<QString, 6>;

    explicit Thintform(QWidget* parent = nullptr);

    // Fills the values and shows the window with its top-left corner 5 pixels right of and below the
    // pointer position (global coordinates).
    void ShowTrack(const QPoint& pointer, const TrackTexts& texts);
    // The list whose area the pointer must stay in; outside it the window closes.
    void setWatchedWidget(QWidget* widget) { watched_ = widget; }
    // The 100 ms check while the window shows: closes it when the pointer (global) is outside the
    // watched list.
    void CheckPointer(const QPoint& pointer);
    const QTimer& pointerTimer() const { return pointerTimer_; }

    // The value labels, "---" until filled.
    const std::array<QLabel*, 6>& values() const { return values_; }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::array<QLabel*, 6> values_{};
    QPointer<QWidget> watched_;
    QTimer pointerTimer_;
};

} // namespace larkspin
