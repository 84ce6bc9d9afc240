#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>

#include <array>

namespace larkspin {

// The colour roles every skinned widget draws with. A skin file names them by colorKey().
enum class SkinColor {
    WindowTop,      // window background, top of the gradient
    WindowBottom,   // window background, bottom of the gradient
    WindowEdge,     // outer frame and bevel shadows
    WindowLight,    // bevel highlights
    Caption,        // title strip text
    Panel,          // LED panel background
    PanelEdge,      // LED panel frame
    LedOn,          // lit segments and display text
    LedOff,         // unlit (ghost) segments
    LedCaption,     // small captions inside the LED panel
    Text,           // labels outside the panel
    ButtonFace,     // button face
    ButtonFaceDown, // pressed button face
    ButtonGlyph,    // button symbols and texts
    ButtonLit,      // indicator of a checked toggle button
    SliderGroove,   // slider track
    SliderFill,     // slider track left of the handle
    SliderHandle,   // slider handle
};
inline constexpr int SkinColorCount = int(SkinColor::SliderHandle) + 1;

// Everything the widgets need to draw themselves: colours by role and optional bitmaps by name.
// The built-in look is builtIn(); a skin file overrides single colours and supplies bitmaps such as
// "background" (the whole window), "digits" (a strip of eleven equal cells: 0 to 9 and blank),
// "button.<name>" / "button.<name>.down" and "slider.handle".
class SkinDescription {
public:
    static SkinDescription builtIn();

    QColor color(SkinColor role) const { return colors_[size_t(role)]; }
    void setColor(SkinColor role, const QColor& c) { colors_[size_t(role)] = c; }

    // An empty pixmap when the skin has no such bitmap; the widget then draws its built-in look.
    QPixmap bitmap(const QString& name) const { return bitmaps_.value(name); }
    void setBitmap(const QString& name, const QPixmap& pixmap) { bitmaps_.insert(name, pixmap); }

    // The key a skin file uses for a colour role ("LedOn", ...), and the reverse lookup.
    static QString colorKey(SkinColor role);
    static bool colorFromKey(const QString& key, SkinColor* role);

private:
    std::array<QColor, SkinColorCount> colors_;
    QHash<QString, QPixmap> bitmaps_;
};

} // namespace larkspin
