// Playlist benchmark: prints a table of the figures the playlist must meet.
//   bench_playlist [entries=100000] [files=10000]
// Needs sox, lame, oggenc and flac on the path for the M3U figure (skipped otherwise).
#include "AtomicFile.h"
#include "PlayerController.h"
#include "Playlist.h"
#include "PlugInHost.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <malloc.h>
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

// Texts of the lengths a real collection has.
std::vector<PlaylistEntry> GeneratedEntries(int count) {
    std::mt19937 random(42);
    auto word = [&](int minLength, int maxLength) {
        std::uniform_int_distribution<int> length(minLength, maxLength), letter('a', 'z');
        std::string w;
        for (int i = length(random); i > 0; --i)
            w += static_cast<char>(letter(random));
        w[0] = static_cast<char>(w[0] - 'a' + 'A');
        return w;
    };
    std::vector<PlaylistEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        TrackRecord r;
        r[RecordArtist] = word(4, 9) + " " + word(3, 9);
        r[RecordTitle] = word(3, 10) + " " + word(2, 8) + " " + word(3, 8);
        r[RecordLength] = std::to_string(2 + i % 6) + ":" + std::to_string(10 + i % 50);
        r[RecordAlbum] = word(4, 12) + " " + word(3, 8);
        r[RecordBitrate] = "192 kbit/s";
        r[RecordYear] = std::to_string(1960 + i % 60);
        r[RecordStyle] = "Rock";
        r[RecordComment] = i % 3 ? "" : word(5, 20);
        r[RecordTrack] = (i % 20 < 9 ? "0" : "") + std::to_string(i % 20 + 1);
        r[RecordSize] = std::to_string(3 + i % 5) + "." + std::to_string(10 + i % 90) + " MB";
        r[RecordPath] = "/home/listener/Music/" + r[RecordArtist] + "/" + r[RecordAlbum] + "/" +
                        r[RecordTrack] + " - " + r[RecordTitle] + ".mp3";
        entries.emplace_back(r);
    }
    return entries;
}

bool Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    return p.waitForFinished(120000) && p.exitCode() == 0;
}

struct Row {
    std::string what;
    double value;
    const char* unit;
    std::string goal;
    double cpu = -1; // ms of processor time of all threads, for timed rows
};

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Wall and processor time of one step: the machine is shared, so the wall time alone says little.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart() {
        timer_.start();
        cpu_ = CpuMs();
    }
    Row row(std::string what, std::string goal) const {
        return {std::move(what), static_cast<double>(timer_.nsecsElapsed()) / 1e6, "ms", std::move(goal),
                CpuMs() - cpu_};
    }

private:
    QElapsedTimer timer_;
    double cpu_ = 0;
};

void WaitForWork(Playlist& list) {
    if (!list.Working())
        return;
    QEventLoop loop;
    QObject::connect(&list, &Playlist::workFinished, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();

    Settings settings;
    PlugInHostOptions options;
    options.decoderFolder = folder + "/PlugIn/Decoder"; // no plug-ins: selections prepare nothing
    TPlugInHost host(options);
    std::string check;
    host.EnumeratePlugIns(check);
    PlayerController player(settings, host, PlayerFileServices{}, folder);
    std::vector<Row> rows;

    // --- 100,000-entry TE3
    if (count > 0) {
        const std::string te3 = folder + "/big.te3";
        {
            const auto entries = GeneratedEntries(count);
            if (!SaveTe3Playlist(te3, entries).ok) {
                std::fprintf(stderr, "cannot write %s\n", te3.c_str());
                return 1;
            }
        }
        { // read once so the figures are of a warm cache
            std::ifstream in(te3, std::ios::binary);
            std::vector<char> buffer(1 << 20);
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
            }
        }
        malloc_trim(0); // the generated entries' memory goes back, so the figure is the list's own
        const long residentBefore = ResidentBytes();
        const std::size_t heapBefore = mallinfo2().uordblks;
        {
            Playlist list(settings, player);
            player.SetEntryList(&list);
            Stopwatch t;
            list.LoadPlaylistFile(te3);
            list.RebuildView();
            // Every cell once, as a model hands them to a view.
            std::size_t characters = 0;
            for (int row = 0; row < list.Count(); ++row)
                for (int column = 0; column < static_cast<int>(list.Columns().size()); ++column) {
                    const std::string_view cell = list.Cell(row, column);
                    characters += static_cast<std::size_t>(
                        QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size())).size());
                }
            rows.push_back(
                t.row("TE3 load + RebuildView + every cell (" + std::to_string(list.Count()) + " entries)",
                      "< 500"));
            const long residentAfter = ResidentBytes();
            std::size_t heap = 0;
            for (const PlaylistEntry& e : list.Entries())
                heap += e.HeapBytes();
            rows.push_back({"resident memory per entry",
                            static_cast<double>(residentAfter - residentBefore) / count, "bytes", "< 400"});
            rows.push_back({"  heap in use per entry (malloc)",
                            static_cast<double>(mallinfo2().uordblks - heapBefore) / count, "bytes", ""});
            rows.push_back(
                {"  of it entry texts and offsets", static_cast<double>(heap) / count, "bytes", ""});

            t.restart();
            list.SortPlaylist(1);
            rows.push_back(t.row("sort by Title", "< 500"));

            std::vector<int> selected;
            std::mt19937 random(7);
            std::uniform_int_distribution<int> pick(0, list.Count() - 1);
            while (selected.size() < 1000) {
                const int row = pick(random);
                if (std::find(selected.begin(), selected.end(), row) == selected.end())
                    selected.push_back(row);
            }
            list.SelectionChangedInView(selected);
            t.restart();
            list.DeleteSelected();
            rows.push_back(t.row("delete 1,000 scattered selected rows", "< 500"));

            t.restart();
            const auto saved = list.SavePlaylistFile(folder + "/saved.te3");
            rows.push_back(
                t.row(saved.ok ? "save TE3 (written and flushed to disk)" : "save TE3 FAILED", "< 500"));
            player.SetEntryList(nullptr);
        }
    }

    // --- M3U of real tagged MP3, Ogg and FLAC files
    const bool tools = !QStandardPaths::findExecutable("sox").isEmpty() &&
                       !QStandardPaths::findExecutable("lame").isEmpty() &&
                       !QStandardPaths::findExecutable("oggenc").isEmpty() &&
                       !QStandardPaths::findExecutable("flac").isEmpty();
    if (tools && files > 0) {
        const QString music = dir.filePath("music");
        QDir().mkpath(music);
        const QString wav = music + "/tone.wav";
        bool made =
            Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "1", "sine", "440"});
        // A few encodings per type with their own tags, copied to make up the count.
        const int kinds = 10;
        QStringList sources;
        for (int k = 0; made && k < kinds; ++k) {
            const QString artist = QStringLiteral("Artist %1").arg(k),
                          title = QStringLiteral("Title %1").arg(k);
            const QString base = music + QStringLiteral("/source%1").arg(k);
            made =
                Run("lame", {"--quiet", "-b", "128", "--ta", artist, "--tt", title, "--tl", "Album", "--ty",
                             "2001", "--tn", QString::number(k + 1), wav, base + ".mp3"}) &&
                Run("oggenc", {"-Q", "-a", artist, "-t", title, "-l", "Album", "-o", base + ".ogg", wav}) &&
                Run("flac", {"--silent", "-f", "-T", "ARTIST=" + artist, "-T", "TITLE=" + title, "-o",
                             base + ".flac", wav});
            sources << base + ".mp3" << base + ".ogg" << base + ".flac";
        }
        std::string m3u = "#EXTM3U\n";
        for (int i = 0; made && i < files; ++i) {
            const QString source = sources[i % sources.size()];
            const QString name = QStringLiteral("%1/%2/track%3.%4")
                                     .arg(music)
                                     .arg(i / 500)
                                     .arg(i)
                                     .arg(QFileInfo(source).suffix());
            QDir().mkpath(QFileInfo(name).path());
            made = QFile::copy(source, name);
            m3u += name.mid(music.size() + 1).toStdString() + "\n"; // relative to the list
        }
        const std::string list = (music + "/all.m3u").toStdString();
        made = made && WriteFileAtomically(list, m3u);
        if (made) {
            for (int pass = 0; pass < 3; ++pass) {
                Playlist playlist(settings, player);
                player.SetEntryList(&playlist);
                Stopwatch t;
                playlist.LoadPlaylistFile(list);
                WaitForWork(playlist); // every row has its tags
                if (playlist.Count() != files || playlist.Field(0, RecordArtist) != "Artist 0")
                    std::fprintf(stderr, "M3U load incomplete: %d rows\n", playlist.Count());
                rows.push_back(t.row("M3U of " + std::to_string(files) +
                                         " MP3/Ogg/FLAC files, all tags read" +
                                         (pass == 0 ? " (first)" : " (warm)"),
                                     pass == 0 ? "" : "< 400"));
                player.SetEntryList(nullptr);
            }
            // The same reading on one thread, without the list: what the workers share out.
            std::vector<std::string> paths;
            for (int i = 0; i < files; ++i)
                paths.push_back(QStringLiteral("%1/%2/track%3.%4")
                                    .arg(music)
                                    .arg(i / 500)
                                    .arg(i)
                                    .arg(QFileInfo(sources[i % sources.size()]).suffix())
                                    .toStdString());
            std::vector<TrackRecord> records;
            Stopwatch t;
            FillTrackItems(paths, records, settings.ReadId3v2Tag);
            rows.push_back(t.row("  reference: FillTrackItems of the same files on one thread", ""));
        } else {
            std::fprintf(stderr, "could not make the M3U fixture\n");
        }
    } else {
        std::fprintf(stderr, "sox, lame, oggenc or flac missing: M3U figure skipped\n");
    }

    std::printf("| %-68s | %10s | %-5s | %-6s | %10s |\n", "Playlist benchmark", "value", "unit", "goal",
                "CPU ms");
    std::printf("|%s|%s|%s|%s|%s|\n", std::string(70, '-').c_str(), std::string(12, '-').c_str(),
                std::string(7, '-').c_str(), std::string(8, '-').c_str(), std::string(12, '-').c_str());
    for (const Row& r : rows) {
        const std::string cpu = r.cpu >= 0 ? std::to_string(static_cast<long>(r.cpu + 0.5)) : "";
        std::printf("| %-68s | %10.1f | %-5s | %-6s | %10s |\n", r.what.c_str(), r.value, r.unit,
                    r.goal.c_str(), cpu.c_str());
    }
    return 0;
}
