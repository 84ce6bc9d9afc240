#include "WindowLayout.h"

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

} // namespace larkspin
