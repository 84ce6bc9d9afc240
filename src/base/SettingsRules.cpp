#include "SettingsRules.h"

#include "PrivateProfile.h"

#include <algorithm>

namespace larkspin {

ColumnLists ColumnListsOf(const Settings& s) {
    return {s.Row1, s.Row2, s.Row3, s.Row4, s.Row5, s.Row6, s.Row7, s.Row8, s.Row9, s.Row10};
}

int32_t& RowSetting(Settings& s, int list) {
    int32_t* rows[10] = {&s.Row1, &s.Row2, &s.Row3, &s.Row4, &s.Row5,
                         &s.Row6, &s.Row7, &s.Row8, &s.Row9, &s.Row10};
    return *rows[std::clamp(list, 1, 10) - 1];
}

namespace {

// The rule of list k after it changed; every list is 1-based here as on screen.
void columnRule(ColumnLists& n, int k, Settings& s, int depth) {
    // Each rule moves an entry one list up or down, so a chain ends within the ten lists; the bound
    // only guards against lists that were wrong before the change (a hand-edited settings file).
    if (depth > 32)
        return;
    auto at = [&n](int i) -> int& { return n[i - 1]; };
    if (k == 3) {
        if (at(3) == NoColumn && at(4) != NoColumn) {
            at(3) = at(4);
            at(4) = NoColumn;
            columnRule(n, 4, s, depth + 1);
        }
    } else if (k >= 4 && k <= 9) {
        if (at(k - 1) == NoColumn) {
            at(k - 1) = at(k);
            at(k) = at(k + 1);
            columnRule(n, k - 1, s, depth + 1);
        }
        if (at(k) == NoColumn && at(k + 1) != NoColumn) {
            at(k) = at(k + 1);
            at(k + 1) = NoColumn;
            columnRule(n, k + 1, s, depth + 1);
        }
    } else if (k == 10) {
        if (at(9) == NoColumn) {
            at(9) = at(10);
            at(10) = NoColumn;
            columnRule(n, 9, s, depth + 1);
        }
    }
    RowSetting(s, k) = at(k);
}

} // namespace

void ChangeColumn(ColumnLists& lists, int list, int value, Settings& s) {
    if (list < 1 || list > 10)
        return;
    const int last = list <= 2 ? NoColumn - 1 : NoColumn;
    lists[list - 1] = std::clamp(value, 0, last);
    columnRule(lists, list, s, 0);
}

CrossfadeDiagram CrossfadeDiagramFor(int width, int height, int32_t crossTime) {
    CrossfadeDiagram d;
    d.width = width;
    d.height = height;
    d.offset = (crossTime / 250) * 3;
    const int mid = width / 2;
    d.outgoing = {{{0, 20}, {mid - d.offset, 20}, {mid + d.offset, height}}};
    d.incoming = {{{width, 20}, {mid + d.offset, 20}, {mid - d.offset, height}}};
    return d;
}

int FadeSliderOf(int32_t milliseconds) {
    return std::clamp(milliseconds / 100, FadeSliderMin, FadeSliderMax);
}

std::optional<int32_t> ParseFadeTime(std::string_view text) {
    int32_t value = 0;
    if (!PrivateProfile::parseInteger(text, value) || value < 0 || value > MaxFadeTime)
        return std::nullopt;
    return value;
}

void SetRememberPlaylist(Settings& s, bool on) {
    s.RememberPlaylist = on;
    if (on)
        s.SelectedPlaylist = false;
}

void SetSelectedPlaylist(Settings& s, bool on) {
    s.SelectedPlaylist = on;
    if (on)
        s.RememberPlaylist = false;
}

OutputFormat OutputFormatOf(const Settings& s) {
    if (s.Encoder)
        return OutputFormat::ExternalPlugIn;
    if (s.IntEncoder)
        return OutputFormat::InternalLame;
    return OutputFormat::Wave;
}

void SetOutputFormat(Settings& s, OutputFormat format) {
    s.Encoder = format == OutputFormat::ExternalPlugIn;
    s.IntEncoder = format == OutputFormat::InternalLame;
}

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

DecodeOutputChoice& decodeOutput() {
    static DecodeOutputChoice choice;
    return choice;
}

void ChooseDecodeOutput(DecodeOutputChoice& choice, int position, const std::string& text,
                        bool folderExists) {
    switch (position) {
    case DecodeOutputChoice::DecodedSubFolder:
        choice.target = DecodeOutputChoice::DecodedSubFolder;
        return;
    case DecodeOutputChoice::ChosenFolder:
        if (text != "..." && folderExists) {
            choice.target = DecodeOutputChoice::ChosenFolder;
            choice.folder = WithTrailingSlash(text);
            return;
        }
        break;
    default:
        break;
    }
    choice.target = DecodeOutputChoice::SourceFolder;
}

} // namespace larkspin
