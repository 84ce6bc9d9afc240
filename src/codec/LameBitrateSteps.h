#pragma once

#include <QString>

namespace larkspin {

// The bitrate steps of the "Lame settings..." slider: positions 1 to 15.
struct LameBitrateSteps {
    static constexpr int First = 1;
    static constexpr int Last = 15;
    static constexpr int DefaultPosition = 9;

    // kbit/s of a position; positions outside 1 to 15 give the default position's.
    static int Bitrate(int position);
    // "128 kbit" and so on.
    static QString Label(int position);
    // The position of a bitrate in the table, DefaultPosition for a bitrate not in it.
    static int PositionOf(int bitrate);
};

} // namespace larkspin
