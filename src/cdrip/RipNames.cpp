#include "RipNames.h"

namespace larkspin {

namespace {

// A file system stores at most this many bytes of one name.
constexpr qsizetype MaxNameBytes = 255;

} // namespace

int LeadingTrackNumber(const QString& name) {
    if (name.size() < 4 || !name[0].isDigit() || !name[1].isDigit())
        return 0;
    if (name[2] != u' ' && name[2] != u'-' && name[2] != u'_')
        return 0;
    return name.left(2).toInt();
}

QString ReplaceSlash(const QString& text) {
    QString out = text;
    out.replace(u'/', u'-');
    return out;
}

QString ArtistTitleFromName(const QString& name, int part) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString bare = dot < 0 ? name : name.left(dot);
    const qsizetype slash = bare.lastIndexOf(QStringLiteral(" / "));
    if (slash < 0)
        return bare;
    return part == 1 ? bare.left(slash) : bare.mid(slash + 3);
}

CaptionTags TagsFromCaption(const QString& caption) {
    CaptionTags tags;
    tags.track = LeadingTrackNumber(caption);
    QString name = tags.track > 0 ? caption.mid(3) : caption;
    // A stand-in extension, so that a dot inside the title ("Mr. X") survives the extension cut.
    name += QStringLiteral(".x");
    tags.artist = ArtistTitleFromName(name, 1);
    tags.title = ArtistTitleFromName(name, 2);
    return tags;
}

QString TrackFileName(const QString& caption, const QString& ext, int fallbackNumber) {
    QString base;
    base.reserve(caption.size());
    for (QChar c : ReplaceSlash(caption))
        if (c.unicode() >= 32 && c.unicode() != 127)
            base += c;
    qsizetype lead = 0;
    while (lead < base.size() && (base[lead] == u'.' || base[lead] == u' '))
        ++lead;
    base = base.mid(lead);
    while (base.endsWith(u' '))
        base.chop(1);
    if (base.isEmpty())
        base = QStringLiteral("Track%1").arg(fallbackNumber, 2, 10, QChar(u'0'));
    // Cut whole characters (a surrogate pair stays together) until the UTF-8 name fits.
    const qsizetype room = MaxNameBytes - ext.toUtf8().size();
    while (base.toUtf8().size() > room) {
        base.chop(base.size() >= 2 && base.back().isLowSurrogate() ? 2 : 1);
    }
    return base + ext;
}

QString FolderWithSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder;
    return folder + u'/';
}

} // namespace larkspin
