#pragma once

#include <QString>

#include <array>

namespace larkspin {

// One LED digit: 0 to 9, or Blank for a dark digit.
inline constexpr int Blank = -1;

// Track digits TrackLED0..TrackLED3 (thousands to units).
using TrackDigits = std::array<int, 4>;
// Time digits: minute hundreds, minute tens, minute units, second tens, second units.
using TimeDigits = std::array<int, 5>;

// The number n of the current entry (its index + 1, or CurrentCdTrack + 1 in CD mode) on the four
// track digits; outside CD mode an index of 9999 or more shows 9999. The thousands digit is
// dark when it would show 0.
TrackDigits TrackNumberDigits(int n, bool cdMode);
// A time in seconds on five digits; the minute hundreds digit is dark when 0. Negative times show 0.
TimeDigits TimeToDigits(int seconds);

inline constexpr int TitleCells = 41;
// The blanks a long title is put behind, so it scrolls in from the right of an empty display.
QString TitleBlanks();

// Everything the player window shows, refreshed by the controller; the window draws it.
struct PlayerDisplay {
    QString DisplayInfo; // the scrolling title display; it scrolls when longer than TitleCells
    TrackDigits Track{Blank, 0, 0, 0};
    TimeDigits Elapsed{Blank, 0, 0, 0, 0};
    TimeDigits Length{Blank, 0, 0, 0, 0};
    int IndexNumber = 1;       // the two index digits: IndexNumber / 10 % 10, IndexNumber % 10
    bool IndexVisible = false; // "index" label and the index digits
    int SliderMax = 0;         // position slider, seconds
    int SliderPos = 0;
    int VolumeBar = 0; // 0..100
    QString VolLabel = QStringLiteral("Volume:0%");
    bool FadingVisible = false;  // "Now fading..." in the place of the volume slider
    bool DSVisible = false;      // "directsound"
    bool ShuffleVisible = false; // "shuffle"
    QString RepeatLabel;         // "repeat", "repeat1", or empty when hidden
    QString Title = QStringLiteral("---"); // the tag's title; the title display shows the file name
    QString Artist = QStringLiteral("---");
    QString Album = QStringLiteral("---");
    QString Year = QStringLiteral("---");
    bool CoverVisible = false;
    QString CoverPath; // picture to show; a missing file shows an empty picture
    // Counts the times the picture was (re)made: temp.jpg keeps its name for every track, so the window
    // reloads it when this changes instead of looking at the file on every tick.
    int CoverVersion = 0;
};

} // namespace larkspin
