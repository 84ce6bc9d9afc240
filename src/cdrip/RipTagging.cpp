#include "RipTagging.h"

#include "Id3TagSave.h"
#include "RipNames.h"
#include "TID3v1.h"
#include "TID3v2.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>

namespace larkspin {

namespace {
Q_LOGGING_CATEGORY(lcRipTags, "larkspin.tags", QtWarningMsg)
}

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
    TID3v1 v1;
    TID3v2 v2;
    if (choice.Id3v1)
        fill(v1); // the ID3v1 genre stays as loaded
    if (choice.Id3v2) {
        fill(v2);
        v2.SetGenre(values.Genre.toStdString());
    }
    // Both tags in one replacement of the file, so they never disagree.
    std::string problem;
    const bool saved =
        SaveId3Tags(file, choice.Id3v1 ? &v1 : nullptr, choice.Id3v2 ? &v2 : nullptr, &problem);
    if (!problem.empty())
        qCWarning(lcRipTags).noquote()
            << "ID3v2 tag of" << path << "written anew:" << QString::fromStdString(problem);
    if (!saved)
        return QStringLiteral("The tags could not be written into %1").arg(path);
    return {};
}

} // namespace larkspin
