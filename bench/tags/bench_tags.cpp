// Files per second of FillTrackItems against TagLib reading the same files' tags and audio properties,
// over two corpora: the designed formats (MP3 with ID3v2.3 + ID3v1 + Xing, and plain CBR; Ogg Vorbis,
// WAV, WMA) and today's (FLAC, Ogg Opus, M4A, MP3 with ID3v2.4); then over copies of one Ogg Vorbis file
// whose comment header holds 30,000 comments (a packet over many pages, as taggers leave behind).
//
//   bench_tags [file count per corpus (default 2000)] [passes (default 5)]
//
// The corpora are generated in a temporary folder with sox, lame, oggenc, flac, opusenc, ffmpeg and
// mid3v2 (and vorbiscomment), and removed at the end. Both readers run over the warm page cache; each rate is
// the best of the passes.

#include "TID3v1.h"
#include "TID3v2.h"
#include "TrackInfo.h"

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/taglib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace larkspin;

namespace {

bool Run(const std::string& command) {
    const int rc = std::system((command + " >/dev/null 2>&1").c_str());
    if (rc != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
    return rc == 0;
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

const char* const Words[] = {"Amber", "Blue",    "Cedar",   "Dawn",  "Echo",   "Fjord", "Glass", "Harbor",
                             "Iris",  "Juniper", "Kestrel", "Lumen", "Meadow", "North", "Opal",  "Prairie"};

std::string Name(int i, int salt) {
    return std::string(Words[(i + salt) % 16]) + " " + Words[(i / 16 + salt * 3) % 16] + " " +
           std::to_string(i);
}

struct Corpus {
    fs::path dir;
    std::vector<std::string> files;
    std::vector<std::string> todays;
    std::vector<std::string> manyComments;
};

// Copies of an Ogg Vorbis file with ManyComments comments besides its tags, written by vorbiscomment.
constexpr int ManyComments = 30000;
constexpr int ManyCommentCopies = 100;
constexpr const char* ManyCommentsTitle = "Many Comments";

bool BuildManyComments(Corpus& c, const fs::path& ogg) {
    const fs::path list = c.dir / "src" / "comments.txt";
    {
        std::FILE* f = std::fopen(list.c_str(), "w");
        if (!f)
            return false;
        // The title and track come last, behind many page borders.
        std::fprintf(f, "ARTIST=Tagger\nALBUM=Heavy Header\n");
        for (int i = 0; i < ManyComments; ++i)
            std::fprintf(f, "NOTE%d=%d\n", i % 100, i);
        std::fprintf(f, "TITLE=%s\nTRACKNUMBER=7\n", ManyCommentsTitle);
        std::fclose(f);
    }
    const fs::path heavy = c.dir / "src" / "heavy.ogg";
    if (!Run("vorbiscomment -w -c " + Quote(list) + " " + Quote(ogg) + " " + Quote(heavy)))
        return false;
    const fs::path out = c.dir / "heavy";
    fs::create_directories(out);
    for (int i = 0; i < ManyCommentCopies; ++i) {
        const fs::path to = out / (std::to_string(i) + ".ogg");
        fs::copy_file(heavy, to, fs::copy_options::overwrite_existing);
        c.manyComments.push_back(to.string());
    }
    return true;
}

// A few distinct short sources, encoded once per kind, then copied with varied tags.
bool BuildCorpus(Corpus& c, int count) {
    char tmpl[] = "/tmp/bench_tags.XXXXXX";
    if (!mkdtemp(tmpl))
        return false;
    c.dir = tmpl;
    const fs::path src = c.dir / "src";
    fs::create_directories(src);

    const int sources = 4;
    std::vector<fs::path> wav, vbr, cbr, ogg, wma;
    for (int s = 0; s < sources; ++s) {
        const fs::path w = src / ("s" + std::to_string(s) + ".wav");
        const std::string synth = "sox -n -r 44100 -c 2 -b 16 " + Quote(w) + " synth " +
                                  std::to_string(2 + s % 2) + " sine " + std::to_string(220 + 110 * s) +
                                  " pinknoise vol 0.3";
        if (!Run(synth))
            return false;
        wav.push_back(w);
        const fs::path v = src / ("v" + std::to_string(s) + ".mp3");
        const fs::path b = src / ("c" + std::to_string(s) + ".mp3");
        // lame writes a Xing header in VBR files; -t leaves it out of the CBR ones.
        if (!Run("lame --quiet -V 2 " + Quote(w) + " " + Quote(v)) ||
            !Run("lame --quiet -b 128 -t " + Quote(w) + " " + Quote(b)))
            return false;
        vbr.push_back(v);
        cbr.push_back(b);
    }
    // Ogg and WMA sources carry their own tags, so make several of each.
    for (int s = 0; s < 16; ++s) {
        const fs::path& w = wav[s % sources];
        const fs::path o = src / ("o" + std::to_string(s) + ".ogg");
        const fs::path m = src / ("m" + std::to_string(s) + ".wma");
        if (!Run("oggenc -Q -q 3 -t " + Quote(Name(s, 1)) + " -a " + Quote(Name(s, 2)) + " -l " +
                 Quote(Name(s, 3)) + " -N " + std::to_string(s + 1) + " -d 2001 -G Ambient " + Quote(w) +
                 " -o " + Quote(o)) ||
            !Run("ffmpeg -loglevel error -y -i " + Quote(w) + " -c:a wmav2 -b:a 128k -metadata title=" +
                 Quote(Name(s, 4)) + " -metadata artist=" + Quote(Name(s, 5)) +
                 " -metadata album=" + Quote(Name(s, 6)) + " " + Quote(m)))
            return false;
        ogg.push_back(o);
        wma.push_back(m);
    }

    // Shares: 40 % VBR MP3 with both tags, 20 % CBR MP3 with ID3v1, 15 % Ogg, 12.5 % WAV, 12.5 % WMA.
    const fs::path out = c.dir / "corpus";
    fs::create_directories(out);
    for (int i = 0; i < count; ++i) {
        const int kind = (i * 40) % 200; // spreads the kinds through the list
        fs::path from, to;
        const std::string base = out / (std::to_string(i) + " - " + Name(i, 0));
        if (kind < 80) {
            from = vbr[i % sources];
            to = base + ".mp3";
        } else if (kind < 120) {
            from = cbr[i % sources];
            to = base + ".mp3";
        } else if (kind < 150) {
            from = ogg[i % ogg.size()];
            to = base + ".ogg";
        } else if (kind < 175) {
            from = wav[i % sources];
            to = base + ".wav";
        } else {
            from = wma[i % wma.size()];
            to = base + ".wma";
        }
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        if (kind < 120) {
            TID3v1 v1;
            v1.SetTitle(Name(i, 7));
            v1.SetArtist(Name(i, 8));
            v1.SetAlbum(Name(i, 9));
            v1.SetYear("1999");
            v1.SetTrack(static_cast<uint8_t>(i % 20 + 1));
            v1.SetGenreIndex(static_cast<uint8_t>(i % 148));
            if (!v1.Save(to))
                return false;
        }
        if (kind < 80) {
            TID3v2 v2;
            v2.SetTitle(Name(i, 10) + " \xC3\xA9t\xC3\xA9");
            v2.SetArtist(Name(i, 11));
            v2.SetAlbum(Name(i, 12));
            v2.SetYear("2004");
            v2.SetGenre("Ambient");
            v2.SetComment("generated");
            v2.SetTrack(static_cast<uint8_t>(i % 20 + 1));
            if (!v2.Save(to))
                return false;
        }
        c.files.push_back(to);
    }

    // Today's formats: tagged sources made once each, copied under varied names.
    std::vector<fs::path> flac, opus, m4a, mp3v24;
    for (int s = 0; s < 16; ++s) {
        const fs::path& w = wav[s % sources];
        const std::string tags = " -T TITLE=" + Quote(Name(s, 1)) + " -T ARTIST=" + Quote(Name(s, 2)) +
                                 " -T ALBUM=" + Quote(Name(s, 3)) +
                                 " -T DATE=2001 -T GENRE=Ambient -T TRACKNUMBER=" + std::to_string(s + 1);
        const fs::path f = src / ("f" + std::to_string(s) + ".flac");
        const fs::path o = src / ("p" + std::to_string(s) + ".opus");
        const fs::path m = src / ("a" + std::to_string(s) + ".m4a");
        const fs::path v = src / ("t" + std::to_string(s) + ".mp3");
        fs::copy_file(vbr[s % sources], v, fs::copy_options::overwrite_existing);
        if (!Run("flac --silent -f" + tags + " -o " + Quote(f) + " " + Quote(w)) ||
            !Run("opusenc --quiet --title " + Quote(Name(s, 1)) + " --artist " + Quote(Name(s, 2)) +
                 " --album " + Quote(Name(s, 3)) + " --date 2001 --genre Ambient " + Quote(w) + " " +
                 Quote(o)) ||
            !Run("ffmpeg -loglevel error -y -i " + Quote(w) +
                 " -c:a aac -b:a 128k -metadata title=" + Quote(Name(s, 4)) +
                 " -metadata artist=" + Quote(Name(s, 5)) + " -metadata album=" + Quote(Name(s, 6)) +
                 " -metadata track=" + std::to_string(s + 1) + " " + Quote(m)) ||
            !Run("mid3v2 -t " + Quote(Name(s, 7)) + " -a " + Quote(Name(s, 8)) + " -A " + Quote(Name(s, 9)) +
                 " -y 2004 -g Ambient -T " + std::to_string(s + 1) + " " + Quote(v)))
            return false;
        flac.push_back(f);
        opus.push_back(o);
        m4a.push_back(m);
        mp3v24.push_back(v);
    }
    const fs::path out2 = c.dir / "todays";
    fs::create_directories(out2);
    const std::vector<fs::path>* kinds[] = {&flac, &opus, &m4a, &mp3v24};
    for (int i = 0; i < count; ++i) {
        const std::vector<fs::path>& from = *kinds[i % 4];
        const fs::path& source = from[(i / 4) % from.size()];
        const fs::path to = out2 / (std::to_string(i) + " - " + Name(i, 0) + source.extension().string());
        fs::copy_file(source, to, fs::copy_options::overwrite_existing);
        c.todays.push_back(to.string());
    }
    return BuildManyComments(c, ogg[0]);
}

// One pass's time: the wall clock, and the CPU time (user and system) of the calling thread, which a
// machine shared with other work disturbs far less.
struct PassTime {
    double wall = 1e30;
    double cpu = 1e30;
};

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

template <typename Work> PassTime Timed(Work work) {
    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = ThreadCpuSeconds();
    work();
    const double cpu1 = ThreadCpuSeconds();
    const auto wall1 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(wall1 - wall0).count(), cpu1 - cpu0};
}

// Keeps the work from being optimised away.
size_t sink = 0;

PassTime LarkspinPass(const std::vector<std::string>& files) {
    std::vector<TrackRecord> records;
    const PassTime t = Timed([&] { FillTrackItems(files, records, true); });
    for (const TrackRecord& r : records)
        sink += r[RecordArtist].size() + r[RecordLength].size();
    return t;
}

PassTime TagLibPass(const std::vector<std::string>& files) {
    return Timed([&] {
        for (const std::string& path : files) {
            TagLib::FileRef f(path.c_str(), true, TagLib::AudioProperties::Average);
            if (f.isNull())
                continue;
            if (const TagLib::Tag* t = f.tag()) {
                sink += t->artist().size() + t->title().size() + t->album().size() + t->comment().size() +
                        t->genre().size() + t->year() + t->track();
            }
            if (const TagLib::AudioProperties* a = f.audioProperties())
                sink += static_cast<size_t>(a->lengthInMilliseconds() + a->bitrate());
        }
    });
}

PassTime Best(PassTime a, PassTime b) {
    return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)};
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    Corpus corpus;
    std::printf("Building a corpus of %d files...\n", count);
    const bool built = BuildCorpus(corpus, count);
    if (!built) {
        std::fprintf(stderr,
                     "could not build the corpus (sox, lame, oggenc, vorbiscomment, flac, opusenc, ffmpeg "
                     "and mid3v2 are needed)\n");
        if (!corpus.dir.empty())
            fs::remove_all(corpus.dir);
        return 1;
    }
    uintmax_t bytes = 0;
    for (const std::string& f : corpus.files)
        bytes += fs::file_size(f);
    for (const std::string& f : corpus.todays)
        bytes += fs::file_size(f);
    std::printf("Corpus: %zu + %zu files, %.1f MB in %s\n", corpus.files.size(), corpus.todays.size(),
                bytes / 1e6, corpus.dir.c_str());

    CreateTrackReaders();
    const auto compare = [&](const char* name, const std::vector<std::string>& files) {
        // Warm the page cache and both libraries.
        LarkspinPass(files);
        TagLibPass(files);
        PassTime ours, theirs;
        for (int p = 0; p < passes; ++p) {
            ours = Best(ours, LarkspinPass(files));
            theirs = Best(theirs, TagLibPass(files));
        }
        const double n = static_cast<double>(files.size());
        std::printf("%s (%zu files, best of %d passes):\n", name, files.size(), passes);
        std::printf("  FillTrackItems: %6.0f files/s wall, %6.0f files per CPU second\n", n / ours.wall,
                    n / ours.cpu);
        std::printf("  TagLib %d.%d:     %6.0f files/s wall, %6.0f files per CPU second\n",
                    TAGLIB_MAJOR_VERSION, TAGLIB_MINOR_VERSION, n / theirs.wall, n / theirs.cpu);
        std::printf("  Ratio Larkspin / TagLib: %.2f wall, %.2f CPU\n", theirs.wall / ours.wall,
                    theirs.cpu / ours.cpu);
    };
    compare("Designed formats (MP3 ID3v2.3/ID3v1, Ogg Vorbis, WAV, WMA)", corpus.files);
    compare("Today's formats (FLAC, Opus, M4A, MP3 ID3v2.4)", corpus.todays);
    const std::string heavy = "Ogg Vorbis, " + std::to_string(ManyComments) + " comments (" +
                              std::to_string(fs::file_size(corpus.manyComments.front()) / 1024) + " KB)";
    compare(heavy.c_str(), corpus.manyComments);
    std::vector<TrackRecord> records;
    FillTrackItems(corpus.manyComments, records, true);
    const auto right = std::count_if(records.begin(), records.end(), [](const TrackRecord& r) {
        return r[RecordTitle] == ManyCommentsTitle && r[RecordTrack] == "07";
    });
    std::printf("  Title and track behind the comments read right: %zd of %zu files\n",
                static_cast<std::ptrdiff_t>(right), records.size());
    fs::remove_all(corpus.dir);
    return sink == 0 ? 2 : 0;
}
