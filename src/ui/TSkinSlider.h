#pragma once

#include "SkinDescription.h"

#include <QAbstractSlider>

namespace larkspin {

// A horizontal slider in the skin's look. The left button moves the handle to the pointer and drags
// it (sliderPressed / sliderMoved / sliderReleased); the right button is left to the context menu.
class TSkinSlider : public QAbstractSlider {
    Q_OBJECT
public:
    explicit TSkinSlider(QWidget* parent = nullptr, int handleWidth = 14);

    int handleWidth() const { return handleWidth_; }
    // The value under a pixel column of the slider.
    int valueAt(int x) const;

    void setSkin(const SkinDescription& skin);

    // A slider that only follows the player (the position) must not be moved by the wheel.
    void setWheelEnabled(bool on) { wheelEnabled_ = on; }

protected:
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SkinDescription skin_ = SkinDescription::builtIn();
    int handleWidth_;
    bool wheelEnabled_ = true;
};

} // namespace larkspin
