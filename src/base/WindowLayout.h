#pragma once

#include <vector>

namespace larkspin {

struct Size {
    int width = 0;
    int height = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where the three main windows go.
struct WindowLayout {
    Rect main;
    Rect playlist;
    Rect station;
};

// The layout of the first start: the main window left of the screen centre, the playlist window
// under it, the station window to their right and as tall as both. Divisions truncate toward zero.
// The station window keeps its size; the main window keeps its size.
WindowLayout FirstStartLayout(Size screen, Size main, Size station);

// The full-screen layout: main window top left, playlist under it, station window filling the rest.
WindowLayout FullScreenLayout(Size screen, Size main);

// A stored window position that no screen shows any more (a screen was unplugged, the resolution
// shrank): the window moves onto the nearest screen, as far as needed to lie within it. A window of
// which at least MinVisible x MinVisible pixels lie on some screen stays where it is.
inline constexpr int MinVisible = 32;
Rect KeepOnScreens(Rect window, const std::vector<Rect>& screens);

} // namespace larkspin
