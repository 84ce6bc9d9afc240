#include "RipTagging.h"

#include "RipNames.h"
#include "TID3v1.h"
#include "TID3v2.h"

#include <QFileInfo>

#include <algorithm>

namespace larkspin {

RipTagValues TagValuesOf(const CdListItem& item) {
    const CaptionTags caption = TagsFromCaption(item.Caption);
    RipTagValues values;
    values.Track = caption.track > 0 ? caption.track : item.Track;
    values.Artist = caption.artist;
    values.Title = caption.title;
    values.Album = item.Album;
    values.Year = item.Year;
    values.Genre = item.Genre;
    return values;
}

QString WriteRipTags(const QString& path, const RipTagValues& values, RipTagChoice choice) {
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1 is missing").arg(path);
    const std::string file = path.toStdString();
    const auto track = static_cast<std::uint8_t>(std::clamp(values.Track, 0, 255));
    if (choice.Id3v1) {
        TID3v1 v1;
        v1.Load(file);
        v1.SetTrack(track);
        v1.SetArtist(values.Artist.toStdString());
        v1.SetTitle(values.Title.toStdString());
        v1.SetAlbum(values.Album.toStdString());
        v1.SetYear(values.Year.toStdString());
        if (!v1.Save(file))
            return QStringLiteral("The ID3v1 tag could not be written into %1").arg(path);
    }
    if (choice.Id3v2) {
        TID3v2 v2;
        v2.Load(file);
        v2.SetTrack(track);
        v2.SetArtist(values.Artist.toStdString());
        v2.SetTitle(values.Title.toStdString());
        v2.SetAlbum(values.Album.toStdString());
        v2.SetYear(values.Year.toStdString());
        v2.SetGenre(values.Genre.toStdString());
        if (!v2.Save(file))
            return QStringLiteral("The ID3v2 tag could not be written into %1").arg(path);
    }
    return {};
}

} // namespace larkspin
