#pragma once

#include "SkinDescription.h"

#include <QLoggingCategory>
#include <QSize>
#include <QStringList>

namespace larkspin {

// The skin engine: reading skins and telling windows about them (QT_LOGGING_RULES="larkspin.skin.debug=true";
// warnings about a broken skin show by default).
Q_DECLARE_LOGGING_CATEGORY(lcSkin)

// What reading a skin.ini gave: the built-in look with everything the file supplies in good order laid
// over it, and one warning per thing that was refused (unknown keys, broken colours, missing, corrupt or
// wrongly sized bitmaps). The format is described in skins/README.md.
struct SkinLoad {
    SkinDescription skin = SkinDescription::builtIn();
    QStringList warnings;
    bool read = false; // the file was there and could be read
};

// Reads the skin description at iniPath; bitmaps are looked for beside it. Never fails: what cannot be
// used keeps the built-in look. Each warning also goes to lcSkin.
SkinLoad LoadSkinFile(const QString& iniPath);

// Limits of what a skin may hold: bitmaps other than the background and the digit strip may have any
// size up to MaxSkinBitmapSide on each side (the widget stretches them).
inline constexpr int MaxSkinBitmapSide = 512;
inline constexpr qint64 MaxSkinFileBytes = 64 * 1024;
inline constexpr qint64 MaxSkinBitmapBytes = 4 * 1024 * 1024;

// The player window's size, which its background bitmap must have, and one LED digit cell.
inline constexpr QSize PlayerBackgroundSize(407, 192);
inline constexpr QSize LedDigitCellSize(11, 19);

// The buttons of the player window that a skin can draw ("Button.<name>" and "Button.<name>.Down").
extern const char* const SkinButtonNames[];
extern const int SkinButtonCount;

} // namespace larkspin
