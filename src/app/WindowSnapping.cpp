#include "WindowSnapping.h"

#include "Settings.h"

#include <QEvent>
#include <QMoveEvent>
#include <QScreen>

namespace larkspin {

Rect FrameRect(const QWidget* w) {
    const QRect r = w->frameGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

WindowSnapping::WindowSnapping(QWidget* player, QWidget* playlist, QWidget* station, QObject* parent)
    : QObject(parent), windows_{player, playlist, station} {
    // The playlist's and the station's snappers wait for their windows to be shown.
    snapper(SnapWindow::Playlist).Enabled = false;
    snapper(SnapWindow::Station).Enabled = false;
    for (const QPointer<QWidget>& w : windows_)
        if (w)
            w->installEventFilter(this);
}

int WindowSnapping::idOf(const QObject* w) const {
    for (size_t i = 0; i < windows_.size(); ++i)
        if (windows_[i] == w)
            return int(i);
    return -1;
}

bool WindowSnapping::eventFilter(QObject* watched, QEvent* event) {
    const int id = idOf(watched);
    if (id < 0)
        return false;
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        emit dockingWorkPending();
        break;
    default:
        break;
    }
    switch (event->type()) {
    case QEvent::Move:
        if (!placing_ && window(id)->isVisible())
            moved(id, static_cast<QMoveEvent*>(event)->oldPos());
        break;
    case QEvent::Show:
        if (id == int(SnapWindow::Player))
            snapper(SnapWindow::Player).Enabled = true;
        else
            relink(id == int(SnapWindow::Playlist) ? SnapEvent::PlaylistShown : SnapEvent::StationShown);
        break;
    case QEvent::Hide:
        if (id != int(SnapWindow::Player) && !window(id)->isMinimized())
            relink(id == int(SnapWindow::Playlist) ? SnapEvent::PlaylistClosed : SnapEvent::StationClosed);
        break;
    default:
        break;
    }
    return false;
}

void WindowSnapping::relink(SnapEvent e) {
    const Settings& s = settings();
    // The window's own show or close has not reached the settings yet when its event arrives.
    bool playlistShown = s.PlaylistWindowShow, stationShown = s.StationWindowShow;
    if (window(int(SnapWindow::Playlist)))
        playlistShown = window(int(SnapWindow::Playlist))->isVisible();
    if (window(int(SnapWindow::Station)))
        stationShown = window(int(SnapWindow::Station))->isVisible();
    RelinkSnappers(
        e, playlistShown, stationShown,
        {snapper(SnapWindow::Player), snapper(SnapWindow::Playlist), snapper(SnapWindow::Station)});
}

void WindowSnapping::moved(int id, QPoint oldPos) {
    QWidget* w = window(id);
    tSnapper& s = snappers_[size_t(id)];
    const Rect now = FrameRect(w);
    const QPoint delta = w->frameGeometry().topLeft() - w->pos();
    const Rect before{oldPos.x() + delta.x(), oldPos.y() + delta.y(), now.width, now.height};
    std::array<Rect, 2> targets{};
    for (int i = 0; i < s.TargetCount(); ++i)
        if (QWidget* t = window(s.CustomWin(i)))
            targets[size_t(i)] = FrameRect(t);
    const QRect area = w->screen() ? w->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    // Moves the snapper did not see (placing at start, other code moving the window) must not make this
    // one look like a move from where the window was long ago.
    s.SetPrevious(EdgesOf(before));
    const std::optional<SnapResult> r =
        s.Move(EdgesOf(now), before, targets, {area.x(), area.y(), area.width(), area.height()});
    if (!r)
        return;
    if (r->rect.left != now.left || r->rect.top != now.top)
        place(w, QPoint(r->rect.left, r->rect.top) - delta);
    for (int i = 0; i < s.TargetCount(); ++i) {
        QWidget* t = window(s.CustomWin(i));
        if (r->follow[size_t(i)] && t && t->isVisible()) {
            const QPoint frameDelta = t->frameGeometry().topLeft() - t->pos();
            place(t, QPoint(r->follow[size_t(i)]->first, r->follow[size_t(i)]->second) - frameDelta);
        }
    }
}

void WindowSnapping::place(QWidget* w, QPoint at) {
    placing_ = true;
    w->move(at);
    placing_ = false;
}

void WindowSnapping::DockingTick() {
    QWidget* player = window(int(SnapWindow::Player));
    QWidget* playlist = window(int(SnapWindow::Playlist));
    QWidget* station = window(int(SnapWindow::Station));
    if (!player)
        return;
    tSnapper& s = snapper(SnapWindow::Player);
    const DockFlags f = DockingFlags(
        {s.dock1, s.dock2}, playlist && playlist->isVisible(), station && station->isVisible(),
        FrameRect(player), playlist ? FrameRect(playlist) : Rect{}, station ? FrameRect(station) : Rect{});
    s.dock1 = f.dock1;
    s.dock2 = f.dock2;
}

} // namespace larkspin
