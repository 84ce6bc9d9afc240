#pragma once

#include "Snapper.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <array>

namespace larkspin {

// The three main windows' snappers at work: every move of a window goes through its tSnapper and the
// window is put where the snapper says; the player window's docked windows move along with it. The
// playlist and station windows' showing and closing relink the targets, and DockingTick (the player's
// 200 ms timer) decides which windows are docked to the player. Docking can only change when a window
// moves, changes its size, shows or hides: dockingWorkPending says so, and nothing ticks in between.
class WindowSnapping : public QObject {
    Q_OBJECT
public:
    WindowSnapping(QWidget* player, QWidget* playlist, QWidget* station, QObject* parent = nullptr);

    void DockingTick();

signals:
    // A window moved, changed its size, showed or hid: the docking needs a look.
    void dockingWorkPending();

public:

    tSnapper& snapper(SnapWindow w) { return snappers_[size_t(w)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window(int id) const { return windows_[size_t(id)]; }
    int idOf(const QObject* w) const;
    void moved(int id, QPoint oldPos);
    void relink(SnapEvent e);
    // Moves a window without its own snapper seeing the move.
    void place(QWidget* w, QPoint at);

    std::array<QPointer<QWidget>, 3> windows_;
    std::array<tSnapper, 3> snappers_;
    bool placing_ = false;
};

// A window's rectangle with its frame, as the user sees it on the screen.
Rect FrameRect(const QWidget* w);

} // namespace larkspin
