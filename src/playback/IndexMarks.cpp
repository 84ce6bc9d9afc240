#include "IndexMarks.h"

#include "AtomicFile.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace larkspin {
namespace {

// A position line: decimal digits only (surrounding blanks allowed), fitting an int.
std::optional<int> ParsePosition(const QByteArray& line) {
    QByteArray t = line.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string IndexFilePath(const std::string& audioPath) {
    return audioPath + ".idx";
}

std::vector<IndexMark> ParseIndexText(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    // A final line end leaves one empty piece that is no line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    std::vector<IndexMark> marks;
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2) {
        std::optional<int> pos = ParsePosition(lines[i + 1]);
        if (!pos)
            continue;
        marks.push_back({QString::fromUtf8(lines[i]), *pos, QString::fromUtf8(lines[i + 1].trimmed())});
    }
    return marks;
}

std::vector<IndexMark> ReadIndexFile(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // An index file holds a few lines; a huge file is not one.
    constexpr qint64 Limit = 4 * 1024 * 1024;
    return ParseIndexText(f.read(Limit));
}

QByteArray IndexFileText(const std::vector<IndexMark>& marks) {
    QByteArray out;
    for (const IndexMark& m : marks) {
        QByteArray name = m.Name.toUtf8();
        // A line break inside a name would split the pair.
        name.replace('\r', ' ').replace('\n', ' ');
        out += name + "\r\n";
        out += (m.PositionText.isEmpty() ? QByteArray::number(m.Position) : m.PositionText.toUtf8()) + "\r\n";
    }
    return out;
}

bool WriteIndexFile(const std::string& path, const std::vector<IndexMark>& marks) {
    QByteArray text = IndexFileText(marks);
    return WriteFileAtomically(path, std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

QString FormatMarkPosition(int seconds) {
    return QStringLiteral("%1").arg(std::max(seconds, 0), 4, 10, QLatin1Char('0'));
}

int FollowMark(const std::vector<IndexMark>& marks, int currentMark, int position, bool playing) {
    const int m = static_cast<int>(marks.size());
    if (m == 0)
        return 1;
    currentMark = std::clamp(currentMark, 1, m);
    if (currentMark < m && playing && marks[currentMark].Position <= position)
        ++currentMark;
    if (currentMark > 1 && playing && marks[currentMark - 1].Position > position)
        --currentMark;
    return currentMark;
}

int PreviousMarkTarget(const std::vector<IndexMark>& marks, int currentMark, int position) {
    const int m = static_cast<int>(marks.size());
    if (m == 0)
        return 1;
    currentMark = std::clamp(currentMark, 1, m);
    if (currentMark > 1 && marks[currentMark - 1].Position + 2 >= position)
        --currentMark;
    return currentMark;
}

IndexEditor::IndexEditor(std::string targetPath, int newMarkAt) : target_(std::move(targetPath)) {
    for (const IndexMark& m : ReadIndexFile(target_))
        rows_.push_back({m.Name, m.PositionText});
    if (newMarkAt > 0) {
        number_ = newMarkAt;
        numberEnabled_ = true;
        if (rows_.empty())
            rows_.push_back({QStringLiteral("Part #1"), QStringLiteral("0")});
        rows_.push_back({QStringLiteral("Part #%1").arg(rows_.size() + 1), FormatMarkPosition(newMarkAt)});
    }
}

void IndexEditor::SetNewMarkPosition(int seconds) {
    if (!numberEnabled_ || rows_.empty())
        return;
    number_ = seconds;
    rows_.back().PositionText = FormatMarkPosition(seconds);
}

void IndexEditor::RenameRow(int row, const QString& name) {
    if (row >= 0 && row < static_cast<int>(rows_.size()))
        rows_[static_cast<size_t>(row)].Name = name;
}

void IndexEditor::DeleteRows(const std::vector<int>& rows) {
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const int lastRow = static_cast<int>(rows_.size()) - 1;
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
        int r = *it;
        if (r < 2 || r > lastRow)
            continue;
        rows_.erase(rows_.begin() + r);
        if (r == lastRow)
            numberEnabled_ = false;
    }
}

std::optional<int> IndexEditor::Save() {
    std::vector<IndexMark> marks;
    for (const Row& r : rows_)
        marks.push_back({r.Name, ParsePosition(r.PositionText.toUtf8()).value_or(0), r.PositionText});
    // Ordered by the number, not the text: "10000" follows "9999".
    std::stable_sort(marks.begin(), marks.end(),
                     [](const IndexMark& a, const IndexMark& b) { return a.Position < b.Position; });
    if (!WriteIndexFile(target_, marks))
        return std::nullopt;
    rows_.clear();
    int newMark = 0;
    for (size_t i = 0; i < marks.size(); ++i) {
        rows_.push_back({marks[i].Name, marks[i].PositionText});
        if (numberEnabled_ && marks[i].Position == number_)
            newMark = static_cast<int>(i) + 1;
    }
    return newMark;
}

} // namespace larkspin
