#pragma once

#include <QString>

#include <array>

namespace larkspin {

// What one LED digit shows for a value: the value modulo 10 (also for negative values), or -1 for a
// blank digit when blankZero is set and the shown digit would be 0.
int LedShownDigit(int value, bool blankZero);

// The values the four track digits receive, thousands first: n div 1000, n div 100, n div 10, n, where n is
// the CD track + 1 in CD mode and the entry index + 1 otherwise; outside CD mode an index of 9999 or more
// shows 9999. Each digit shows its value modulo 10.
std::array<int, 4> TrackDigits(int currentIndex, bool cdMode, int currentCdTrack);

// The values of the five time digits for a time in seconds: minute hundreds, minute tens, minute units,
// second tens, second units. A negative time (a plug-in asked before it knows) reads as 0.
std::array<int, 5> TimeDigits(int seconds);

// The values of the chained index digits: tens, units.
std::array<int, 2> IndexDigits(int mark);

// The cells of a text display of `cells` characters. A text that fits is shown from the left and padded
// with blanks; a longer one is shown as a ring, starting `offset` characters in.
QString DisplayCells(const QString& text, int offset, int cells);

// Slider geometry: the value under pixel x of a slider `width` pixels wide whose handle is `handleWidth`
// wide (the handle's centre follows the pointer), clamped to [minimum, maximum]; and the reverse, the
// left edge of the handle for a value.
int SliderValueAt(int x, int width, int handleWidth, int minimum, int maximum);
int SliderHandleLeft(int value, int width, int handleWidth, int minimum, int maximum);

} // namespace larkspin
