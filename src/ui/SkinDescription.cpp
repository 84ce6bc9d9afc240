#include "SkinDescription.h"

namespace larkspin {
namespace {

constexpr const char* ColorKeys[SkinColorCount] = {
    "WindowTop",      "WindowBottom", "WindowEdge", "WindowLight",  "Caption",    "Panel",
    "PanelEdge",      "LedOn",        "LedOff",     "LedCaption",   "Text",       "ButtonFace",
    "ButtonFaceDown", "ButtonGlyph",  "ButtonLit",  "SliderGroove", "SliderFill", "SliderHandle",
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
    return s;
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
