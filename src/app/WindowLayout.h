#pragma once

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

} // namespace larkspin
