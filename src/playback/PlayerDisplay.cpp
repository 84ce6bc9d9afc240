#include "PlayerDisplay.h"

namespace larkspin {

TrackDigits TrackNumberDigits(int n, bool cdMode) {
    if (!cdMode && n - 1 >= 9999)
        return {9, 9, 9, 9};
    if (n < 0)
        n = 0;
    int thousands = n / 1000 % 10;
    return {thousands == 0 ? Blank : thousands, n / 100 % 10, n / 10 % 10, n % 10};
}

TimeDigits TimeToDigits(int seconds) {
    if (seconds < 0)
        seconds = 0;
    int minutes = seconds / 60;
    int secs = seconds % 60;
    int hundreds = minutes / 100 % 10;
    return {minutes / 100 == 0 ? Blank : hundreds, minutes / 10 % 10, minutes % 10, secs / 10, secs % 10};
}

QString TitleBlanks() {
    return QString(TitleCells, QLatin1Char(' '));
}

} // namespace larkspin
