#pragma once

#include "WindowLayout.h"

#include <array>
#include <functional>
#include <optional>

namespace larkspin {

// A window rectangle by its edges, as a move proposes it (right and bottom lie one past the window).
struct Edges {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Edges&, const Edges&) = default;
};

inline Edges EdgesOf(const Rect& r) {
    return {r.left, r.top, r.left + r.width, r.top + r.height};
}

// The direction of a snap, as onSnap reports it.
enum SnapDirection { SnapTop = 0, SnapBottom = 1, SnapLeft = 2, SnapRight = 3 };

// What one move comes to: the rectangle the window takes, and the new top-left corner of each docked
// target that follows it.
struct SnapResult {
    Edges rect;
    std::array<std::optional<std::pair<int, int>>, 2> follow;
};

// Snaps a moving window to the screen edges and to up to two target windows, and drags docked targets
// along. Pure rectangle arithmetic: the caller hands in the proposed rectangle and the current
// rectangles of the window, its targets and the screen's usable area, and applies the result.
class tSnapper {
public:
    static constexpr int DefaultGridSize = 15;

    explicit tSnapper(int gridSize = DefaultGridSize) { SetGridSize(gridSize); }

    // The snap distance to the screen edges; the distance to target windows is 5 less.
    void SetGridSize(int gridSize) {
        gridSize_ = gridSize;
        snapDistance_ = gridSize - 5;
    }
    int GridSize() const { return gridSize_; }
    int SnapDistance() const { return snapDistance_; }

    bool Enabled = true;
    // Target 1 (2) follows the window and is not snapped to.
    bool dock1 = false;
    bool dock2 = false;

    // Targets are named by the caller's ids. The first added is target 1; any later one replaces target 2.
    void ClearTargets() { count_ = 0; }
    void AddTarget(int id);
    int TargetCount() const { return count_; }
    int CustomWin(int i) const { return targets_[i]; } // i = 0 (target 1) or 1 (target 2)

    // Told the direction of every snap.
    std::function<void(const tSnapper&, SnapDirection)> onSnap;

    // One move of the window: window is its rectangle before the move, targets the current rectangles of
    // target 1 and 2 (only the first TargetCount() are read), screen the usable area of the screen.
    // Nothing (the move goes on unchanged) while not Enabled.
    std::optional<SnapResult> Move(Edges proposed, const Rect& window, const std::array<Rect, 2>& targets,
                                   const Rect& screen);

    // The last rectangle handled; all 0 at first, so a first move is seen as down and to the right.
    const Edges& Previous() const { return previous_; }
    // The window stood at r before the coming move (it was placed without a move the snapper handled).
    void SetPrevious(const Edges& r) { previous_ = r; }

private:
    void report(SnapDirection d) const {
        if (onSnap)
            onSnap(*this, d);
    }

    int gridSize_ = DefaultGridSize;
    int snapDistance_ = DefaultGridSize - 5;
    std::array<int, 2> targets_{};
    int count_ = 0;
    Edges previous_;
};

// Two windows touch when an edge of one lies on the opposite edge of the other and the two overlap
// along it.
bool WindowsTouch(const Rect& a, const Rect& b);

// The player's docking decision (every 200 ms): which of its targets follow it.
struct DockFlags {
    bool dock1 = false;
    bool dock2 = false;
};
DockFlags DockingFlags(DockFlags current, bool playlistShown, bool stationShown, const Rect& player,
                       const Rect& playlist, const Rect& station);

// The three snappers' targets, relinked whenever the playlist or the station window is shown or closed.
enum class SnapWindow { Player = 0, Playlist = 1, Station = 2 };
enum class SnapEvent { PlaylistShown, PlaylistClosed, StationShown, StationClosed };
struct Snappers {
    tSnapper& player;
    tSnapper& playlist;
    tSnapper& station;
};
void RelinkSnappers(SnapEvent event, bool playlistWindowShow, bool stationWindowShow, Snappers s);

} // namespace larkspin
