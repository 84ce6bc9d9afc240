#pragma once

#include "SkinDescription.h"

#include <QTimer>
#include <QWidget>

namespace larkspin {

// A text display of a fixed number of character cells. A text longer than the display scrolls
// (auto-scroll): every step moves it one cell to the left, as a ring, while the display shows.
class TScrollDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultCells = 41;
    static constexpr int StepInterval = 200; // ms

    explicit TScrollDisplay(QWidget* parent = nullptr, int cells = DefaultCells);

    // Setting the text it already shows changes nothing, so a display refreshed on every timer tick
    // keeps scrolling.
    void setText(const QString& text);
    QString text() const { return text_; }

    int cells() const { return cells_; }
    bool autoScroll() const { return autoScroll_; }
    int offset() const { return offset_; }

    // The characters now in the cells.
    QString visibleText() const;

    // One scroll step (the step timer calls it); nothing while the text fits.
    void step();

    const QTimer& stepTimer() const { return timer_; }

    void setSkin(const SkinDescription& skin);

    // The colour behind each cell for text lit in on, from the skin's unlit colour off: dim, but far
    // enough from on that the text reads (contrast 4.5 or more).
    static QColor DisplayCellBacking(const QColor& on, const QColor& off);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void runTimer();
    SkinDescription skin_ = SkinDescription::builtIn();
    QTimer timer_;
    QString text_;
    int cells_;
    int offset_ = 0;
    bool autoScroll_ = false;
};

} // namespace larkspin
