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
    const auto fill = [&](auto& tag) {
        tag.Load(file);
        tag.SetTrack(static_cast<std::uint8_t>(std::clamp(values.Track, 0, 255)));
        tag.SetArtist(values.Artist.toStdString());
        tag.SetTitle(values.Title.toStdString());
        tag.SetAlbum(values.Album.toStdString());
        tag.SetYear(values.Year.toStdString());
    };
    if (choice.Id3v1) {
        TID3v1 v1;
        fill(v1); // the ID3v1 genre stays as loaded
        if (!v1.Save(file))
            return QStringLiteral("The ID3v1 tag could not be written into %1").arg(path);
    }
    if (choice.Id3v2) {
        TID3v2 v2;
        fill(v2);
        v2.SetGenre(values.Genre.toStdString());
        if (!v2.Save(file))
            return QStringLiteral("The ID3v2 tag could not be written into %1").arg(path);
    }
    return {};
}

} // namespace larkspin
