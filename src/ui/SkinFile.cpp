#include "SkinFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

namespace larkspin {

Q_LOGGING_CATEGORY(lcSkin, "larkspin.skin", QtWarningMsg)

const char* const SkinButtonNames[] = {
    "PlayBtn",    "PauseBtn",    "StopBtn",    "LastBtn",     "NextBtn", "ShuffleBtn",  "RepeatBtn",
    "Repeat1Btn", "PlaylistBtn", "StationBtn", "BtnSettings", "MenuBtn", "MinimizeBtn", "CloseBtn",
};
const int SkinButtonCount = int(std::size(SkinButtonNames));

namespace {

class Reader {
public:
    explicit Reader(const QString& iniPath) : folder_(QFileInfo(iniPath).absoluteDir()) {}

    void warn(const QString& text) {
        qCWarning(lcSkin).noquote() << text;
        result.warnings << text;
    }

    void line(int number, const QString& section, const QString& key, const QString& value) {
        const QString where = QStringLiteral("line %1: ").arg(number);
        if (section.compare(QLatin1String("Skin"), Qt::CaseInsensitive) == 0) {
            if (key.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0)
                result.skin.setName(value);
            else if (key.compare(QLatin1String("Author"), Qt::CaseInsensitive) != 0 &&
                     key.compare(QLatin1String("Version"), Qt::CaseInsensitive) != 0)
                warn(where + QStringLiteral("unknown key \"%1\" in [Skin]").arg(key));
        } else if (section.compare(QLatin1String("Colors"), Qt::CaseInsensitive) == 0) {
            color(where, key, value);
        } else if (section.compare(QLatin1String("Fonts"), Qt::CaseInsensitive) == 0) {
            font(where, key, value);
        } else if (section.compare(QLatin1String("Bitmaps"), Qt::CaseInsensitive) == 0) {
            bitmap(where, key, value);
        } else {
            warn(where + QStringLiteral("\"%1\" outside a known section").arg(key));
        }
    }

    SkinLoad result;

private:
    void color(const QString& where, const QString& key, const QString& value) {
        SkinColor role;
        if (!SkinDescription::colorFromKey(key, &role)) {
            warn(where + QStringLiteral("unknown colour \"%1\"").arg(key));
            return;
        }
        // Only "#rrggbb": names and other forms differ between Qt versions.
        static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
        if (!hex.match(value).hasMatch()) {
            warn(where + QStringLiteral("colour %1 is not #rrggbb: \"%2\"").arg(key, value.left(40)));
            return;
        }
        result.skin.setColor(role, QColor::fromString(value));
    }

    void font(const QString& where, const QString& key, const QString& value) {
        static const char* const keys[SkinFontCount] = {"Display", "Caption", "List"};
        int role = -1;
        for (int i = 0; i < SkinFontCount; ++i)
            if (key.compare(QLatin1String(keys[i]), Qt::CaseInsensitive) == 0)
                role = i;
        if (role < 0) {
            warn(where + QStringLiteral("unknown font \"%1\"").arg(key));
            return;
        }
        // family, pixel size[, bold]
        const QStringList parts = value.split(QLatin1Char(','));
        SkinFontChoice choice;
        choice.family = parts.value(0).trimmed();
        bool sizeOk = true;
        choice.pixelSize = parts.size() > 1 ? parts[1].trimmed().toInt(&sizeOk) : 0;
        const QString style = parts.value(2).trimmed();
        choice.bold = style.compare(QLatin1String("bold"), Qt::CaseInsensitive) == 0;
        if (choice.family.isEmpty() || choice.family.size() > 100 || parts.size() > 3 || !sizeOk ||
            choice.pixelSize < 0 || choice.pixelSize > 72 || (!style.isEmpty() && !choice.bold)) {
            warn(where + QStringLiteral("font %1 is not \"family, pixel size[, bold]\": \"%2\"")
                             .arg(key, value.left(40)));
            return;
        }
        if (choice.pixelSize == 0)
            choice.pixelSize = result.skin.font(SkinFont(role)).pixelSize;
        result.skin.setFont(SkinFont(role), choice);
    }

    // The size a bitmap key must have; false for a key that names no bitmap.
    static bool slotOf(const QString& key, QSize* size) {
        if (key.compare(QLatin1String("Background"), Qt::CaseInsensitive) == 0) {
            *size = PlayerBackgroundSize;
            return true;
        }
        if (key.compare(QLatin1String("Digits"), Qt::CaseInsensitive) == 0) {
            *size = QSize(LedDigitCellSize.width() * 11, LedDigitCellSize.height());
            return true;
        }
        *size = QSize();
        for (const char* k : {"Slider.Groove", "Slider.Handle", "Panel"})
            if (key.compare(QLatin1String(k), Qt::CaseInsensitive) == 0)
                return true;
        for (int i = 0; i < SkinButtonCount; ++i) {
            const QString b = QStringLiteral("Button.") + QLatin1String(SkinButtonNames[i]);
            if (key.compare(b, Qt::CaseInsensitive) == 0 ||
                key.compare(b + QStringLiteral(".Down"), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }

    void bitmap(const QString& where, const QString& key, const QString& value) {
        QSize wanted;
        if (!slotOf(key, &wanted)) {
            warn(where + QStringLiteral("unknown bitmap \"%1\"").arg(key));
            return;
        }
        // A bitmap is a file inside the skin's folder: no other file of the user's is ever opened.
        const QString path = folder_.absoluteFilePath(value);
        const QFileInfo info(path);
        const QString inside = info.canonicalFilePath();
        const QString root = folder_.canonicalPath() + QLatin1Char('/');
        if (value.isEmpty() || !info.exists()) {
            warn(where + QStringLiteral("bitmap %1: \"%2\" is missing").arg(key, value.left(80)));
            return;
        }
        if (!inside.startsWith(root) || !info.isFile()) {
            warn(where + QStringLiteral("bitmap %1: \"%2\" is no file of the skin").arg(key, value.left(80)));
            return;
        }
        if (info.size() > MaxSkinBitmapBytes) {
            warn(where + QStringLiteral("bitmap %1: \"%2\" is larger than %3 bytes")
                             .arg(key, value.left(80))
                             .arg(MaxSkinBitmapBytes));
            return;
        }
        QImageReader reader(inside);
        reader.setAllocationLimit(16);
        const QSize size = reader.size();
        const bool sizeOk = wanted.isEmpty()
                                ? size.width() >= 1 && size.height() >= 1 &&
                                      size.width() <= MaxSkinBitmapSide && size.height() <= MaxSkinBitmapSide
                                : size == wanted;
        if (size.isValid() && !sizeOk) {
            warn(where + QStringLiteral("bitmap %1: \"%2\" is %3 x %4 pixels, wanted %5")
                             .arg(key, value.left(80))
                             .arg(size.width())
                             .arg(size.height())
                             .arg(wanted.isEmpty()
                                      ? QStringLiteral("at most %1 x %1").arg(MaxSkinBitmapSide)
                                      : QStringLiteral("%1 x %2").arg(wanted.width()).arg(wanted.height())));
            return;
        }
        const QImage image = reader.read();
        if (image.isNull()) {
            warn(where + QStringLiteral("bitmap %1: \"%2\" cannot be read (%3)")
                             .arg(key, value.left(80), reader.errorString()));
            return;
        }
        if (!size.isValid() &&
            (wanted.isEmpty() ? image.width() > MaxSkinBitmapSide || image.height() > MaxSkinBitmapSide
                              : image.size() != wanted)) {
            warn(where + QStringLiteral("bitmap %1: \"%2\" has the wrong size").arg(key, value.left(80)));
            return;
        }
        result.skin.setBitmap(key, QPixmap::fromImage(image));
    }

    QDir folder_;
};

} // namespace

SkinLoad LoadSkinFile(const QString& iniPath) {
    Reader r(iniPath);
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly)) {
        r.warn(QStringLiteral("%1: %2; the built-in look stays").arg(iniPath, file.errorString()));
        return r.result;
    }
    if (file.size() > MaxSkinFileBytes) {
        r.warn(QStringLiteral("%1 is larger than %2 bytes; the built-in look stays")
                   .arg(iniPath)
                   .arg(MaxSkinFileBytes));
        return r.result;
    }
    // At most the limit is read, also from a file that grows or claims no size (a pipe).
    const QByteArray bytes = file.read(MaxSkinFileBytes + 1);
    if (bytes.size() > MaxSkinFileBytes) {
        r.warn(QStringLiteral("%1 is larger than %2 bytes; the built-in look stays")
                   .arg(iniPath)
                   .arg(MaxSkinFileBytes));
        return r.result;
    }
    r.result.read = true;
    qCDebug(lcSkin) << "reading skin" << iniPath;
    QString section;
    int number = 0;
    for (const QByteArray& raw : bytes.split('\n')) {
        ++number;
        const QString text = QString::fromUtf8(raw).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char(';')))
            continue;
        if (text.startsWith(QLatin1Char('['))) {
            if (!text.endsWith(QLatin1Char(']'))) {
                r.warn(QStringLiteral("line %1: broken section header").arg(number));
                section.clear();
                continue;
            }
            section = text.mid(1, text.size() - 2).trimmed();
            continue;
        }
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            r.warn(QStringLiteral("line %1: not \"key=value\"").arg(number));
            continue;
        }
        r.line(number, section, text.left(eq).trimmed(), text.mid(eq + 1).trimmed());
    }
    return r.result;
}

} // namespace larkspin
