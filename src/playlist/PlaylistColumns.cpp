#include "PlaylistColumns.h"

#include "Settings.h"
#include "TrackInfo.h"

#include <array>

namespace larkspin {

namespace {

std::array<int32_t, 10> RowSettings(const Settings& s) {
    return {s.Row1, s.Row2, s.Row3, s.Row4, s.Row5, s.Row6, s.Row7, s.Row8, s.Row9, s.Row10};
}

// Settings or const Settings: the width member of a field, or null.
template <class S> auto* WidthSetting(S& s, int field) {
    using Width = decltype(&s.ArtistWidth);
    switch (field) {
    case RecordArtist:
        return &s.ArtistWidth;
    case RecordTitle:
        return &s.TitleWidth;
    case RecordLength:
        return &s.LengthWidth;
    case RecordAlbum:
        return &s.AlbumWidth;
    case RecordBitrate:
        return &s.BitrateWidth;
    case RecordYear:
        return &s.YearWidth;
    case RecordStyle:
        return &s.StyleWidth;
    case RecordComment:
        return &s.CommentWidth;
    case RecordTrack:
        return &s.TrackWidth;
    case RecordSize:
        return &s.SizeWidth;
    case RecordPath:
        return &s.PathWidth;
    default:
        return Width{};
    }
}

} // namespace

std::vector<int> ColumnFields(const Settings& settings) {
    std::vector<int> fields;
    for (int32_t v : RowSettings(settings))
        if (v >= 0 && v < NoColumn)
            fields.push_back(v);
    return fields;
}

std::string FieldCaption(int field) {
    static const std::array<const char*, TrackRecordFields> captions = {
        "Artist", "Title", "Length", "Album", "Bitrate", "Year", "Style", "Comment", "Track", "Size", "Path"};
    if (field < 0 || field >= TrackRecordFields)
        return {};
    return captions[static_cast<std::size_t>(field)];
}

int32_t FieldWidth(const Settings& settings, int field) {
    const int32_t* width = WidthSetting(settings, field);
    return width ? *width : 0;
}

void StoreColumnWidths(Settings& settings, const std::vector<int>& widths) {
    const std::vector<int> fields = ColumnFields(settings);
    for (std::size_t c = 0; c < fields.size() && c < widths.size(); ++c)
        if (int32_t* width = WidthSetting(settings, fields[c]))
            *width = widths[c];
}

} // namespace larkspin
