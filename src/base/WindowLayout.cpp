#include "WindowLayout.h"

#include <algorithm>

namespace larkspin {

WindowLayout FirstStartLayout(Size screen, Size main, Size station) {
    WindowLayout l;
    l.main = {screen.width / 2 - main.width, screen.height / 2 - station.height / 2, main.width, main.height};
    l.playlist = {l.main.left, l.main.top + main.height, main.width, station.height - main.height};
    l.station = {l.main.left + main.width, l.main.top, station.width, station.height};
    return l;
}

WindowLayout FullScreenLayout(Size screen, Size main) {
    WindowLayout l;
    l.main = {0, 0, main.width, main.height};
    l.station = {main.width, 0, screen.width - main.width, screen.height};
    l.playlist = {0, main.height, main.width, l.station.height - main.height};
    return l;
}

namespace {

int overlap(int a, int aLength, int b, int bLength) {
    return std::max(0, std::min(a + aLength, b + bLength) - std::max(a, b));
}

// Squared distance between two rectangles (0 when they touch or overlap).
long long distance(const Rect& a, const Rect& b) {
    const long long dx = std::max({0, b.left - (a.left + a.width), a.left - (b.left + b.width)});
    const long long dy = std::max({0, b.top - (a.top + a.height), a.top - (b.top + b.height)});
    return dx * dx + dy * dy;
}

} // namespace

Rect KeepOnScreens(Rect window, const std::vector<Rect>& screens) {
    const Rect* nearest = nullptr;
    for (const Rect& s : screens) {
        const int w = overlap(window.left, window.width, s.left, s.width);
        const int h = overlap(window.top, window.height, s.top, s.height);
        if (w >= std::min(MinVisible, window.width) && h >= std::min(MinVisible, window.height))
            return window;
        if (!nearest || distance(window, s) < distance(window, *nearest))
            nearest = &s;
    }
    if (!nearest)
        return window;
    // Move (never resize) so the window lies within the screen; a larger window keeps its top left corner
    // on the screen.
    window.left = std::max(nearest->left, std::min(window.left, nearest->left + nearest->width - window.width));
    window.top = std::max(nearest->top, std::min(window.top, nearest->top + nearest->height - window.height));
    return window;
}

} // namespace larkspin
