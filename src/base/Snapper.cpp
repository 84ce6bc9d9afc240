#include "Snapper.h"

#include <algorithm>

namespace larkspin {

void tSnapper::AddTarget(int id) {
    if (count_ == 0) {
        targets_[0] = id;
        count_ = 1;
    } else {
        targets_[1] = id;
        count_ = 2;
    }
}

std::optional<SnapResult> tSnapper::Move(Edges r, const Rect& m, const std::array<Rect, 2>& targets,
                                         const Rect& screen) {
    if (!Enabled)
        return std::nullopt;
    const int g = gridSize_;
    const int d = snapDistance_;
    const int screenLeft = screen.left;
    const int screenTop = screen.top;
    const int screenRight = screen.left + screen.width;
    const int screenBottom = screen.top + screen.height;
    const Edges p = previous_;
    const bool up = r.top<p.top, down = r.top> p.top;
    const bool left = r.left<p.left, right = r.left> p.left;

    auto docked = [this](int i) { return i == 0 ? dock1 : dock2; };
    auto overlapsHorizontally = [&](const Rect& t) {
        return r.left < t.left + t.width && t.left < r.left + m.width;
    };
    auto overlapsVertically = [&](const Rect& t) {
        return r.top < t.top + t.height && t.top < r.top + m.height;
    };
    // Target 1 first; target 2 only when the test for target 1 failed.
    auto firstTarget = [&](auto test) {
        for (int i = 0; i < count_; ++i)
            if (!docked(i) && test(targets[i], i))
                return;
    };

    if (up) {
        if (r.top <= screenTop + g) {
            r.bottom = r.bottom - r.top + screenTop;
            r.top = screenTop;
            report(SnapTop);
        }
        firstTarget([&](const Rect& t, int) {
            const int under = t.top + t.height;
            if (r.top < under - d || r.top > under + d || !overlapsHorizontally(t))
                return false;
            r.top = std::min(under, screenBottom - m.height);
            r.bottom = r.top + m.height;
            report(SnapTop);
            return true;
        });
    } else if (down) {
        if (screenBottom < r.bottom + g) {
            const int h = r.bottom - r.top;
            r.bottom = screenBottom;
            r.top = r.bottom - h;
            report(SnapBottom);
        }
        firstTarget([&](const Rect& t, int) {
            if (r.bottom < t.top - d || r.bottom > t.top + d || !overlapsHorizontally(t))
                return false;
            r.bottom = t.top;
            r.top = t.top - m.height;
            if (r.top < screenTop) {
                r.top = screenTop;
                r.bottom = screenTop + m.height;
            }
            report(SnapBottom);
            return true;
        });
    }

    // Edge alignment of windows that touch, whatever the direction.
    firstTarget([&](const Rect& t, int) {
        const bool stacked = t.top + t.height == r.top || t.top == r.top + m.height;
        if (r.left < t.left - d || r.left > t.left + d || !stacked)
            return false;
        r.left = std::min(t.left, screenRight - m.width);
        r.right = r.left + m.width;
        report(r.left > p.left ? SnapRight : SnapLeft);
        return true;
    });
    firstTarget([&](const Rect& t, int i) {
        const int reach = i == 1 ? g : d;
        const bool sideBySide = t.left + t.width == r.left || t.left == r.left + m.width;
        if (r.top < t.top - reach || r.top > t.top + reach || !sideBySide)
            return false;
        r.top = std::min(t.top, screenBottom - m.height);
        r.bottom = r.top + m.height;
        report(r.top > p.top ? SnapBottom : SnapTop);
        return true;
    });

    if (left) {
        if (r.left < screenLeft + g) {
            r.right = r.right - r.left + screenLeft;
            r.left = screenLeft;
            report(SnapLeft);
        }
        firstTarget([&](const Rect& t, int) {
            const int beside = t.left + t.width;
            if (r.left < beside - d || r.left > beside + d || !overlapsVertically(t))
                return false;
            r.left = std::min(beside, screenRight - m.width);
            r.right = r.left + m.width;
            report(SnapLeft);
            return true;
        });
    } else if (right) {
        if (screenRight < r.right + g) {
            const int w = r.right - r.left;
            r.right = screenRight;
            r.left = screenRight - w;
            report(SnapRight);
        }
        firstTarget([&](const Rect& t, int) {
            if (r.left + m.width < t.left - d || r.left + m.width > t.left + d || !overlapsVertically(t))
                return false;
            r.left = std::max(t.left - m.width, screenLeft);
            r.right = r.left + m.width;
            report(SnapRight);
            return true;
        });
    }

    SnapResult result;
    result.rect = r;
    for (int i = 0; i < count_; ++i)
        if (docked(i))
            result.follow[i] =
                std::pair{targets[i].left + (r.left - m.left), targets[i].top + (r.top - m.top)};
    previous_ = r;
    return result;
}

namespace {

bool overlap(int a, int aLength, int b, int bLength) {
    return a < b + bLength && b < a + aLength;
}

} // namespace

bool WindowsTouch(const Rect& a, const Rect& b) {
    const bool besides = a.left + a.width == b.left || b.left + b.width == a.left;
    const bool stacked = a.top + a.height == b.top || b.top + b.height == a.top;
    return (besides && overlap(a.top, a.height, b.top, b.height)) ||
           (stacked && overlap(a.left, a.width, b.left, b.width));
}

DockFlags DockingFlags(DockFlags flags, bool playlistShown, bool stationShown, const Rect& player,
                       const Rect& playlist, const Rect& station) {
    if (playlistShown)
        flags.dock1 = WindowsTouch(player, playlist);
    flags.dock2 = stationShown && playlistShown && WindowsTouch(player, station);
    if (stationShown && !playlistShown)
        flags.dock1 = WindowsTouch(player, station);
    return flags;
}

void RelinkSnappers(SnapEvent event, bool playlistWindowShow, bool stationWindowShow, Snappers s) {
    const int player = int(SnapWindow::Player), playlist = int(SnapWindow::Playlist),
              station = int(SnapWindow::Station);
    switch (event) {
    case SnapEvent::PlaylistShown:
        s.player.ClearTargets();
        s.player.AddTarget(playlist);
        if (stationWindowShow)
            s.player.AddTarget(station);
        s.playlist.Enabled = true;
        s.playlist.AddTarget(player);
        if (stationWindowShow)
            s.playlist.AddTarget(station);
        s.station.ClearTargets();
        s.station.AddTarget(player);
        s.station.AddTarget(playlist);
        break;
    case SnapEvent::PlaylistClosed:
        s.player.ClearTargets();
        if (stationWindowShow)
            s.player.AddTarget(station);
        s.playlist.Enabled = false;
        s.station.ClearTargets();
        s.station.AddTarget(player);
        break;
    case SnapEvent::StationShown:
        s.player.ClearTargets();
        if (playlistWindowShow)
            s.player.AddTarget(playlist);
        s.player.AddTarget(station);
        s.playlist.AddTarget(station);
        s.station.Enabled = true;
        s.station.AddTarget(player);
        if (playlistWindowShow)
            s.station.AddTarget(playlist);
        break;
    case SnapEvent::StationClosed:
        s.player.ClearTargets();
        if (playlistWindowShow)
            s.player.AddTarget(playlist);
        s.playlist.ClearTargets();
        s.playlist.AddTarget(player);
        s.station.Enabled = false;
        break;
    }
}

} // namespace larkspin
