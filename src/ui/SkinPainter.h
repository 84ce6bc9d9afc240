#pragma once

#include "SkinDescription.h"

#include <QFont>
#include <QRect>

class QPainter;

namespace larkspin {

// The built-in look's drawing primitives, shared by the skinned widgets and windows.
namespace SkinPainter {

// A raised (or sunken) one-pixel bevel around r.
void drawBevel(QPainter& p, const QRectF& r, const SkinDescription& skin, bool sunken);

// The brushed window background with its frame.
void drawWindowBackground(QPainter& p, const QRect& r, const SkinDescription& skin);

// The dark, recessed LED panel.
void drawLedPanel(QPainter& p, const QRect& r, const SkinDescription& skin);

// A seven-segment digit filling r; digit -1 draws only the unlit segments.
void drawSegmentDigit(QPainter& p, const QRectF& r, int digit, const SkinDescription& skin);

// The small fonts of the panel: display text (monospaced) and captions.
// An empty family means the built-in look's.
QFont displayFont(int pixelSize, const QString& family = {});
QFont captionFont(int pixelSize, bool bold = false, const QString& family = {});

} // namespace SkinPainter
} // namespace larkspin
