// Settings save benchmark: the time of one WriteSettings (the whole file replaced once) beside the
// same keys written one by one, each replacing the file (how a save went before saves were batched).
// Both write into a folder on the disk the program folder would be on, with every fsync.
//   bench_settings [runs=5] [folder=/tmp]
#include "PrivateProfile.h"
#include "Settings.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace larkspin;

namespace {

struct KeyLine {
    std::string section;
    std::string key;
    std::string value;
};

// The keys of a saved file, in file order.
std::vector<KeyLine> keysOf(const std::string& path) {
    std::vector<KeyLine> keys;
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return keys;
    char line[4096];
    std::string section;
    while (std::fgets(line, sizeof line, f)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        if (!text.empty() && text.front() == '[')
            section = text.substr(1, text.find(']') - 1);
        else if (const auto eq = text.find('='); eq != std::string::npos)
            keys.push_back({section, text.substr(0, eq), text.substr(eq + 1)});
    }
    std::fclose(f);
    return keys;
}

double best(int runs, const std::function<void()>& work) {
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        fastest = std::min(fastest, double(t.nsecsElapsed()) / 1e6);
    }
    return fastest;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir dir(QString::fromLocal8Bit(argc > 2 ? argv[2] : "/tmp") + "/bench_settings-XXXXXX");
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const std::string path = dir.filePath("larkspin.ini").toStdString();
    PrivateProfile file(path);
    Settings s;
    ReadSettings(file, "/p", s);
    WriteSettings(file, s);
    const std::vector<KeyLine> keys = keysOf(path);

    const double whole = best(runs, [&] { WriteSettings(file, s); });
    const double oneByOne = best(runs, [&] {
        for (const KeyLine& k : keys)
            file.writeString(k.section, k.key, k.value);
    });
    std::printf("| Settings save (%zu keys, best of %d) | time |\n|---|---|\n", keys.size(), runs);
    std::printf("| one replacement of the file (WriteSettings) | %.1f ms |\n", whole);
    std::printf("| every key replacing the file on its own | %.1f ms |\n", oneByOne);
    return 0;
}
