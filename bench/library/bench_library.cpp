// Library speed and memory: LoadLibrary, SortLibrary, the artist list of mode "Artist", the titles of
// one artist, a search for a path fragment, SaveLibrary, and resident memory per entry, over generated
// libraries of 100,000 and 1,000,000 entries (realistic field lengths, repeated artists and albums).
//
//   bench_library [entry counts... (default 100000 1000000)]
//
// Each library is written as Archive.rol into a temporary folder (768 bytes an entry) and removed at the
// end. Times are over the warm page cache, the best of three runs (sorting: one run); resident memory is
// the growth of the process's resident set while the sorted file loads.

#include "LibraryBrowse.h"
#include "LibraryFile.h"
#include "LibraryLines.h"
#include "LibrarySearch.h"
#include "LibrarySort.h"
#include "TrackInfo.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace larkspin;

namespace {

const char* const Words[] = {"Amber",  "Blue",    "Cedar",   "Dawn",    "Echo",   "Fjord",  "Glass",
                             "Harbor", "Iris",    "Juniper", "Kestrel", "Lumen",  "Meadow", "North",
                             "Opal",   "Prairie", "Quartz",  "River",   "Silver", "Timber", "Umber",
                             "Velvet", "Willow",  "Yonder",  "Zephyr",  "Ash",    "Brook",  "Cinder",
                             "Drift",  "Ember",   "Frost",   "Grove"};
const char* const Genres[] = {"Rock", "Pop", "Jazz", "Classical", "Electronic", "Folk", "Hip-Hop", "Blues"};

std::string Words2(std::mt19937& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i)
            s += ' ';
        s += Words[rng() % 32];
    }
    return s;
}

// One artist per 20 tracks, one album per 10, names of 1 to 3 words, case variants of some artists.
void WriteLibraryFile(const std::string& path, int count) {
    std::mt19937 rng(42);
    std::ofstream out(path, std::ios::binary);
    const int artists = std::max(1, count / 20);
    std::vector<std::string> artistNames(artists), albumNames(artists * 2);
    for (int a = 0; a < artists; ++a) {
        artistNames[a] = Words2(rng, 1 + a % 3) + " " + std::to_string(a);
        albumNames[2 * a] = Words2(rng, 2) + " " + std::to_string(2 * a);
        albumNames[2 * a + 1] = Words2(rng, 1 + a % 4) + " " + std::to_string(2 * a + 1);
    }
    std::string record;
    for (int i = 0; i < count; ++i) {
        const int a = static_cast<int>(rng() % artists);
        const int album = 2 * a + static_cast<int>(rng() % 2);
        std::string artist = artistNames[a];
        if (i % 50 == 0)
            for (char& c : artist)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string title = Words2(rng, 1 + rng() % 4);
        const int track = 1 + static_cast<int>(rng() % 14);
        const std::string trackText = (track < 10 ? "0" : "") + std::to_string(track);
        const std::string values[13] = {artist,
                                        title,
                                        std::to_string(2 + rng() % 5) + ":" + std::to_string(10 + rng() % 50),
                                        albumNames[album],
                                        "192 kbit/s",
                                        std::to_string(1965 + rng() % 60),
                                        Genres[rng() % 8],
                                        i % 4 == 0 ? "Ripped by Larkspin" : "",
                                        trackText,
                                        std::to_string(3 + rng() % 6) + "." +
                                            std::to_string(10 + rng() % 90) + " MB",
                                        "/home/user/Music/" + artistNames[a] + "/" + albumNames[album] + "/" +
                                            trackText + " " + title + ".mp3",
                                        "Internal",
                                        "0"};
        record.clear();
        for (int k = 0; k < LibraryFieldCount; ++k) {
            record += static_cast<char>(LibraryRecordCapacities[k]);
            record += FillToWidth(values[k], LibraryRecordCapacities[k]);
        }
        out.write(record.data(), static_cast<std::streamsize>(record.size()));
    }
}

long ResidentBytes() {
    std::ifstream f("/proc/self/statm");
    long size = 0, resident = 0;
    f >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double CpuMillis() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall-clock and CPU milliseconds of the best run. The machine may be shared: the CPU time shows the
// work itself, the wall time what a user would wait on an idle machine at best.
struct Time {
    double wall = 1e300, cpu = 1e300;
};

Time Millis(const std::function<void()>& work, int runs = 3) {
    Time best;
    for (int r = 0; r < runs; ++r) {
        const double c0 = CpuMillis();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        const double c1 = CpuMillis();
        best.wall = std::min(best.wall, std::chrono::duration<double, std::milli>(t1 - t0).count());
        best.cpu = std::min(best.cpu, c1 - c0);
    }
    return best;
}

struct Row {
    int count;
    Time load, sort, artists, titles, search, save;
    double bytesPerEntry;
    std::size_t artistCount, titleCount, found;
};

// The generated file is in random order: it is loaded and sorted once (SortLibrary's figure), saved
// (SaveLibrary's), and the sorted file, as every save leaves it, is what the other figures use.
Row Measure(const fs::path& dir, int count) {
    Row row{};
    row.count = count;
    const std::string generated = (dir / ("generated" + std::to_string(count) + ".rol")).string();
    const std::string path = (dir / ("Archive" + std::to_string(count) + ".rol")).string();
    WriteLibraryFile(generated, count);
    {
        LibraryLines lines;
        LoadLibrary(lines, generated);
        row.sort = Millis([&] { SortLibrary(lines); }, 1);
        row.save = Millis([&] { SaveLibrary(lines, path); });
    }
    fs::remove(generated);
    malloc_trim(0);

    LibraryLines lines;
    const long before = ResidentBytes();
    LoadLibrary(lines, path);
    const long after = ResidentBytes();
    row.bytesPerEntry = static_cast<double>(after - before) / count;
    row.load = Millis([&] { LoadLibrary(lines, path); });

    std::vector<std::string> names;
    row.artists = Millis([&] { names = BrowseNames(lines, ArtistField); });
    row.artistCount = names.size();
    const std::string artist = names[names.size() / 2];
    row.titles = Millis([&] { row.titleCount = BrowseTitles(lines, ArtistField, artist).size(); });
    row.search = Millis([&] { row.found = SearchLibrary(lines, "/Juniper Opal", false).size(); });
    fs::remove(path);
    return row;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {100000, 1000000};
    char tmpl[] = "/tmp/bench_library.XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    const fs::path dir = tmpl;

    std::printf("Milliseconds as wall / CPU time.\n\n");
    std::printf("| Entries | Load | Sort | Artist list (artists) | One artist's titles (titles) | "
                "Path search (found) | Save | Resident bytes/entry |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int count : counts) {
        const Row r = Measure(dir, count);
        std::printf(
            "| %d | %.0f / %.0f | %.0f / %.0f | %.0f / %.0f (%zu) | %.1f / %.1f (%zu) | %.0f / %.0f (%zu) | "
            "%.0f / %.0f | %.0f |\n",
            r.count, r.load.wall, r.load.cpu, r.sort.wall, r.sort.cpu, r.artists.wall, r.artists.cpu,
            r.artistCount, r.titles.wall, r.titles.cpu, r.titleCount, r.search.wall, r.search.cpu, r.found,
            r.save.wall, r.save.cpu, r.bytesPerEntry);
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    return 0;
}
