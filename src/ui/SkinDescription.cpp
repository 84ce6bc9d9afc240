#include "SkinDescription.h"

#include <algorithm>

namespace larkspin {
namespace {

constexpr const char* ColorKeys[SkinColorCount] = {
    "WindowTop",      "WindowBottom", "WindowEdge", "WindowLight",  "Caption",    "Panel",
    "PanelEdge",      "LedOn",        "LedOff",     "LedCaption",   "Text",       "ButtonFace",
    "ButtonFaceDown", "ButtonGlyph",  "ButtonLit",  "SliderGroove", "SliderFill", "SliderHandle",
    "ListBackground", "ListAlternate", "ListText",  "ListSelection", "ListSelectionText",
};

} // namespace

SkinDescription SkinDescription::builtIn() {
    SkinDescription s;
    s.setColor(SkinColor::WindowTop, QColor(0x3a, 0x3f, 0x4a));
    s.setColor(SkinColor::WindowBottom, QColor(0x1d, 0x20, 0x27));
    s.setColor(SkinColor::WindowEdge, QColor(0x0b, 0x0c, 0x10));
    s.setColor(SkinColor::WindowLight, QColor(0x62, 0x69, 0x78));
    s.setColor(SkinColor::Caption, QColor(0xb8, 0xc2, 0xd4));
    s.setColor(SkinColor::Panel, QColor(0x07, 0x0d, 0x0b));
    s.setColor(SkinColor::PanelEdge, QColor(0x00, 0x00, 0x00));
    s.setColor(SkinColor::LedOn, QColor(0x5c, 0xf2, 0xa0));
    s.setColor(SkinColor::LedOff, QColor(0x10, 0x26, 0x1c));
    s.setColor(SkinColor::LedCaption, QColor(0x2f, 0x8c, 0x62));
    s.setColor(SkinColor::Text, QColor(0xa7, 0xb0, 0xc0));
    s.setColor(SkinColor::ButtonFace, QColor(0x44, 0x4a, 0x57));
    s.setColor(SkinColor::ButtonFaceDown, QColor(0x25, 0x29, 0x31));
    s.setColor(SkinColor::ButtonGlyph, QColor(0xd8, 0xde, 0xe8));
    s.setColor(SkinColor::ButtonLit, QColor(0x5c, 0xf2, 0xa0));
    s.setColor(SkinColor::SliderGroove, QColor(0x0a, 0x0c, 0x10));
    s.setColor(SkinColor::SliderFill, QColor(0x2c, 0x9a, 0x68));
    s.setColor(SkinColor::SliderHandle, QColor(0xc9, 0xcf, 0xd9));
    s.setColor(SkinColor::ListBackground, QColor(0x14, 0x17, 0x1c));
    s.setColor(SkinColor::ListAlternate, QColor(0x1a, 0x1e, 0x24));
    s.setColor(SkinColor::ListText, QColor(0xc8, 0xd0, 0xdc));
    s.setColor(SkinColor::ListSelection, QColor(0x2c, 0x6e, 0x52));
    s.setColor(SkinColor::ListSelectionText, QColor(0xf0, 0xff, 0xf6));
    s.setFont(SkinFont::Display, {QStringLiteral("DejaVu Sans Mono"), 0, true});
    s.setFont(SkinFont::Caption, {QStringLiteral("DejaVu Sans"), 0, false});
    s.setFont(SkinFont::List, {QStringLiteral("DejaVu Sans"), 12, false});
    return s;
}

QFont SkinDescription::listFont() const {
    const SkinFontChoice& c = font(SkinFont::List);
    QFont f(c.family);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(6, c.pixelSize));
    f.setBold(c.bold);
    return f;
}

QString SkinDescription::colorKey(SkinColor role) {
    return QString::fromLatin1(ColorKeys[size_t(role)]);
}

bool SkinDescription::colorFromKey(const QString& key, SkinColor* role) {
    for (int i = 0; i < SkinColorCount; ++i) {
        if (key.compare(QLatin1String(ColorKeys[i]), Qt::CaseInsensitive) == 0) {
            *role = SkinColor(i);
            return true;
        }
    }
    return false;
}

} // namespace larkspin
