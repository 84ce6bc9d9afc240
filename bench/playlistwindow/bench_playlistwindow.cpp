// Playlist window benchmark: the window's share of the playlist figures, measured offscreen until the
// window has painted each result. Prints a table.
//   bench_playlistwindow [entries=100000]
#include "PlayerController.h"
#include "Playlist.h"
#include "PlaylistFiles.h"
#include "PlaylistView.h"
#include "PlugInHost.h"
#include "Settings.h"
#include "TPlaylistForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelection>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace larkspin;

namespace {

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

std::vector<PlaylistEntry> GeneratedEntries(int count) {
    std::mt19937 random(7);
    auto word = [&](int minLength, int maxLength) {
        std::uniform_int_distribution<int> length(minLength, maxLength), letter('a', 'z');
        std::string w;
        for (int i = length(random); i > 0; --i)
            w += static_cast<char>(letter(random));
        w[0] = static_cast<char>(w[0] - 'a' + 'A');
        return w;
    };
    std::vector<PlaylistEntry> entries;
    entries.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TrackRecord r;
        r[RecordArtist] = word(4, 9) + " " + word(3, 9);
        r[RecordTitle] = word(3, 10) + " " + word(2, 8);
        r[RecordLength] = std::to_string(2 + i % 6) + ":" + std::to_string(10 + i % 50);
        r[RecordAlbum] = word(4, 12);
        r[RecordYear] = std::to_string(1960 + i % 60);
        r[RecordTrack] = std::to_string(10 + i % 20);
        r[RecordPath] = "/music/" + r[RecordArtist] + "/" + r[RecordTitle] + ".mp3";
        entries.emplace_back(r);
    }
    return entries;
}

struct Row {
    const char* what;
    double ms;
    const char* goal;
};

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    const std::string te3 = dir.filePath("big.te3").toStdString();
    if (!SaveTe3Playlist(te3, GeneratedEntries(count)).ok) {
        std::fprintf(stderr, "cannot write %s\n", te3.c_str());
        return 1;
    }

    Settings settings;
    PlugInHostOptions options;
    options.decoderFolder = dir.filePath("PlugIn/Decoder").toStdString();
    options.liveSettings = &settings;
    TPlugInHost host(options);
    PlayerController player(settings, host, {}, dir.path().toStdString());
    Playlist list(settings, player);
    player.SetEntryList(&list);
    TPlaylistForm window(list, settings);
    settings.ListWidth = 433;
    settings.ListHeight = 600;
    window.show();
    app.processEvents();

    std::vector<Row> rows;
    QElapsedTimer clock;
    auto painted = [&](const char* what, const char* goal) {
        app.processEvents();
        window.grab(); // paints every visible row now
        rows.push_back({what, double(clock.nsecsElapsed()) / 1e6, goal});
    };

    const long before = ResidentBytes();
    clock.start();
    list.LoadPlaylistFile(te3);
    list.WaitForWork();
    painted("load TE3 + RebuildView, painted", "< 500");
    const long loaded = ResidentBytes();

    QHeaderView* header = window.view()->horizontalHeader();
    // The list's own share of a sort, without the window, for comparison.
    clock.start();
    list.SortPlaylist(0);
    rows.push_back({"sort by Artist, the list alone (no paint)", double(clock.nsecsElapsed()) / 1e6, "-"});
    clock.start();
    emit header->sectionClicked(1);
    painted("sort by Title (header click), painted", "< 500");
    clock.start();
    emit header->sectionClicked(1);
    painted("sort again, descending, painted", "< 500");

    clock.start();
    window.view()->scrollToBottom();
    painted("scroll to the last row, painted", "-");

    QItemSelection scattered;
    const int step = std::max(count / 1000, 1);
    for (int r = 0; r < count && scattered.size() < 1000; r += step)
        scattered.select(window.view()->model()->index(r, 0), window.view()->model()->index(r, 2));
    clock.start();
    window.view()->selectionModel()->select(scattered, QItemSelectionModel::ClearAndSelect);
    painted("select 1,000 scattered rows, painted", "-");
    clock.start();
    window.BtnDelClick();
    painted("delete them, painted", "< 500");

    clock.start();
    window.view()->selectAll();
    painted("select every row, painted", "-");

    std::printf("Playlist window, %d entries, offscreen (times until painted)\n\n", count);
    std::printf("| %-42s | %10s | %8s |\n", "Step", "ms", "goal ms");
    std::printf("|%s|%s|%s|\n", std::string(44, '-').c_str(), std::string(12, '-').c_str(),
                std::string(10, '-').c_str());
    for (const Row& r : rows)
        std::printf("| %-42s | %10.1f | %8s |\n", r.what, r.ms, r.goal);
    std::printf("\nresident memory of list + window: %.0f bytes per entry (goal < 400)\n",
                double(loaded - before) / count);
    return 0;
}
