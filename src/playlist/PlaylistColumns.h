#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace larkspin {

struct Settings;

// A Row setting of 11 (or anything outside 0 to 10) makes no column.
inline constexpr int NoColumn = 11;

// The fields the playlist's columns show, one per setting Row1..Row10 below 11, in setting order.
// Column c belongs to setting Row(c+1); a field may stand in more than one column.
std::vector<int> ColumnFields(const Settings& settings);

// The column caption of a TrackRecord field: "Artist", "Title", "Length", "Album", "Bitrate", "Year",
// "Style", "Comment", "Track", "Size", "Path"; empty outside 0 to 10.
std::string FieldCaption(int field);

// The width setting of a field (ArtistWidth ... PathWidth); widths belong to fields, not to columns.
int32_t FieldWidth(const Settings& settings, int field);

// StoreColumnWidths: widths[c] is the current width of column c (columns as ColumnFields gives them);
// each goes into its field's width setting, a later column of the same field winning. Extra widths
// beyond the column count are ignored.
void StoreColumnWidths(Settings& settings, const std::vector<int>& widths);

} // namespace larkspin
