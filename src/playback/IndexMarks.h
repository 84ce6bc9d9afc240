#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace larkspin {

// One index mark: a named part of a long audio file that starts at Position seconds.
struct IndexMark {
    QString Name;
    int Position = 0;
    QString PositionText; // as written in the file ("0", "0042", "1234")

    bool operator==(const IndexMark&) const = default;
};

// The index file of an audio file: its path with ".idx" appended.
std::string IndexFilePath(const std::string& audioPath);

// Parses index file text: one name line, then one position line, per mark; lines end in CR LF or LF.
// A pair whose position is not a whole number of seconds is skipped, as is a name without a position,
// so a damaged file yields only the marks it really holds.
std::vector<IndexMark> ParseIndexText(const QByteArray& text);
// Reads and parses an index file; a file that cannot be read yields no marks.
std::vector<IndexMark> ReadIndexFile(const std::string& path);
// The text of an index file: every mark as its name line and its position line, ended by CR LF.
QByteArray IndexFileText(const std::vector<IndexMark>& marks);
// Replaces the file through a temporary file; false when it cannot be written (the old file stays).
bool WriteIndexFile(const std::string& path, const std::vector<IndexMark>& marks);

// A position as written for a new mark: at least four digits with leading zeros ("0007", "0042",
// "1234", "12345").
QString FormatMarkPosition(int seconds);

// One step of following the play position (one display tick): the mark number moves by at most one
// toward the mark the position lies in. currentMark counts from 1.
int FollowMark(const std::vector<IndexMark>& marks, int currentMark, int position, bool playing);

// The mark "previous track" goes to while marks are loaded and currentMark > 1: within two seconds
// after the current mark's start the one before it, otherwise the current one.
int PreviousMarkTarget(const std::vector<IndexMark>& marks, int currentMark, int position);

// The working state of the index editor window on one target file (the window draws it).
class IndexEditor {
public:
    struct Row {
        QString Name;
        QString PositionText;
    };

    // Reads the target file when it exists. With newMarkAt > 0 (set mode) a new mark is appended at
    // that position ("Part #1" at 0 first when the file had no marks); otherwise the editor only edits
    // names and deletes (edit mode, the number box is disabled).
    IndexEditor(std::string targetPath, int newMarkAt);

    const std::vector<Row>& Rows() const { return rows_; }
    const std::string& TargetPath() const { return target_; }
    bool NumberBoxEnabled() const { return numberEnabled_; }
    int NumberBoxValue() const { return number_; }

    // The number box (or the scroll bar) moved: the new mark, the last row, moves with it.
    void SetNewMarkPosition(int seconds);
    void RenameRow(int row, const QString& name);
    // Deletes the given rows except the first two, which always stay. Deleting the new mark (the last
    // row as it was) disables the number box.
    void DeleteRows(const std::vector<int>& rows);

    // Sorts the rows by position and writes them to the target file. On success returns the number
    // (from 1) of the new mark in the saved order, or 0 in edit mode; none when writing failed, in which
    // case the rows stay as they were and the window stays open.
    std::optional<int> Save();

private:
    std::string target_;
    std::vector<Row> rows_;
    int number_ = 0;
    bool numberEnabled_ = false;
};

} // namespace larkspin
