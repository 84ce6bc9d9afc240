#pragma once

#include <QColor>
#include <QFont>
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
    ListBackground,    // lists and fields of the playlist, station and dialog windows
    ListAlternate,     // every other list row
    ListText,          // list and field text
    ListSelection,     // the selected row
    ListSelectionText, // text of the selected row
};
inline constexpr int SkinColorCount = int(SkinColor::ListSelectionText) + 1;

// The fonts a skin may choose: the LED panel's text, the captions and buttons, and the lists and dialogs.
enum class SkinFont { Display, Caption, List };
inline constexpr int SkinFontCount = int(SkinFont::List) + 1;
struct SkinFontChoice {
    QString family;
    int pixelSize = 0; // used by the lists; the panel's texts take their size from their place
    bool bold = false;
};

// Everything the widgets need to draw themselves: colours by role, fonts and optional bitmaps by name.
// The built-in look is builtIn(); a skin file (SkinFile.h) overrides single colours and fonts and supplies
// bitmaps such as "background" (the whole player window), "digits" (a strip of eleven equal cells: 0 to 9
// and blank), "button.<name>" / "button.<name>.down", "slider.groove", "slider.handle" and "panel" (the
// texture behind the other windows). Bitmap names compare without regard to case.
class SkinDescription {
public:
    static SkinDescription builtIn();

    QColor color(SkinColor role) const { return colors_[size_t(role)]; }
    void setColor(SkinColor role, const QColor& c) { colors_[size_t(role)] = c; }

    // An empty pixmap when the skin has no such bitmap; the widget then draws its built-in look.
    QPixmap bitmap(const QString& name) const { return bitmaps_.value(name.toLower()); }
    void setBitmap(const QString& name, const QPixmap& pixmap) { bitmaps_.insert(name.toLower(), pixmap); }
    int bitmapCount() const { return int(bitmaps_.size()); }

    const SkinFontChoice& font(SkinFont role) const { return fonts_[size_t(role)]; }
    void setFont(SkinFont role, const SkinFontChoice& f) { fonts_[size_t(role)] = f; }
    // The font of lists and dialogs.
    QFont listFont() const;

    // The skin's own name ("" for the built-in look).
    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

    // The key a skin file uses for a colour role ("LedOn", ...), and the reverse lookup.
    static QString colorKey(SkinColor role);
    static bool colorFromKey(const QString& key, SkinColor* role);

private:
    std::array<QColor, SkinColorCount> colors_;
    std::array<SkinFontChoice, SkinFontCount> fonts_;
    QString name_;
    QHash<QString, QPixmap> bitmaps_;
};

} // namespace larkspin
