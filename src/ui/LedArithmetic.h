#pragma once

#include <QString>

#include <array>

namespace larkspin {

// What one LED digit shows for a value: the value modulo 10 (also for negative values), or -1 for a
// blank digit when blankZero is set and the shown digit would be 0.
int LedShownDigit(int value, bool blankZero);

// The cells of a text display of `cells` characters. A text that fits is shown from the left and padded
// with blanks; a longer one is shown as a ring, starting `offset` characters in.
QString DisplayCells(const QString& text, int offset, int cells);

// Slider geometry: the value under pixel x of a slider `width` pixels wide whose handle is `handleWidth`
// wide (the handle's centre follows the pointer), clamped to [minimum, maximum]; and the reverse, the
// left edge of the handle for a value.
int SliderValueAt(int x, int width, int handleWidth, int minimum, int maximum);
int SliderHandleLeft(int value, int width, int handleWidth, int minimum, int maximum);

} // namespace larkspin
