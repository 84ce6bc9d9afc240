/*
 * A recording encoder plug-in, built only for tests (rec_a.so, its copy rec_b.so, and rec_incomplete.so,
 * which lacks SendTag). It encodes nothing: every call is appended as one line
 *     <library file name>: <Export>(<arg>,...)
 * to the file named by LARKSPIN_ENCODER_LOG, and answers from <library path>.script ("key=value" lines,
 * read at every call):
 *     type      GetEncodeType, default "rec"
 *     info      GetInfo, default "Recording <library file name>"
 *     finished  how many of the jobs given so far have finished, default all of them
 *     position  GetPosition, default 50
 *     error     GetEncodeError, default ""
 *     abi       GetEncoderAbiVersion, default 1
 * A finished job writes its destination (the text "encoded <source>").
 */
#include "AtomicFile.h"

#include <larkspin/encoder_plugin.h>

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Recorder {
    std::string path;
    std::string name;
    std::vector<std::pair<std::string, std::string>> jobs;
    size_t written = 0;
    std::string answer;
};

Recorder& recorder() {
    static Recorder r;
    if (r.path.empty()) {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&recorder), &info) && info.dli_fname) {
            r.path = info.dli_fname;
            r.name = r.path.substr(r.path.rfind('/') + 1);
        }
    }
    return r;
}

std::map<std::string, std::string> script() {
    std::map<std::string, std::string> values;
    std::ifstream in(recorder().path + ".script");
    std::string line;
    while (std::getline(in, line))
        if (const size_t eq = line.find('='); eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    return values;
}

std::string scripted(const std::string& key, const std::string& fallback) {
    const auto values = script();
    const auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

std::string arg(const char* t) {
    return t ? t : "(null)";
}
std::string arg(long v) {
    return std::to_string(v);
}

template <typename... Args> void record(const char* name, const Args&... args) {
    std::ostringstream line;
    line << recorder().name << ": " << name << "(";
    [[maybe_unused]] const char* sep = "";
    ((line << sep << arg(args), sep = ","), ...);
    line << ")\n";
    if (const char* file = std::getenv("LARKSPIN_ENCODER_LOG"); file && *file) {
        std::ofstream out(file, std::ios::app);
        out << line.str();
    }
}

size_t finishedJobs() {
    Recorder& r = recorder();
    const std::string value = scripted("finished", "");
    const size_t done = value.empty() ? r.jobs.size() : std::min<size_t>(std::stoul(value), r.jobs.size());
    for (; r.written < done; ++r.written)
        larkspin::WriteFileAtomically(r.jobs[r.written].second, "encoded " + r.jobs[r.written].first);
    return done;
}

const char* answer(const std::string& text) {
    recorder().answer = text;
    return recorder().answer.c_str();
}

} // namespace

extern "C" {

LARKSPIN_ENCODER_EXPORT void StartPlugIn(int32_t reserved, intptr_t window) {
    record("StartPlugIn", long(reserved), long(window));
}
LARKSPIN_ENCODER_EXPORT void ClosePlugIn(void) {
    record("ClosePlugIn");
}
LARKSPIN_ENCODER_EXPORT void ShowSettings(void) {
    record("ShowSettings");
}
LARKSPIN_ENCODER_EXPORT const char* GetInfo(void) {
    return answer(scripted("info", "Recording " + recorder().name));
}
LARKSPIN_ENCODER_EXPORT const char* GetDeveloper(void) {
    return "Tests";
}
LARKSPIN_ENCODER_EXPORT const char* GetMail(void) {
    return "tests@localhost";
}
LARKSPIN_ENCODER_EXPORT const char* GetWeb(void) {
    return "---";
}
LARKSPIN_ENCODER_EXPORT const char* GetDate(void) {
    return "2026-12-10";
}
LARKSPIN_ENCODER_EXPORT void EncodeFile(const char* source, const char* destination) {
    record("EncodeFile", source, destination);
    recorder().jobs.emplace_back(arg(source), arg(destination));
}
LARKSPIN_ENCODER_EXPORT int32_t GetPosition(void) {
    return std::stoi(scripted("position", "50"));
}
LARKSPIN_ENCODER_EXPORT const char* GetEncodeType(void) {
    return answer(scripted("type", "rec"));
}
LARKSPIN_ENCODER_EXPORT unsigned char GetFinished(void) {
    return finishedJobs() == recorder().jobs.size();
}
LARKSPIN_ENCODER_EXPORT void CancelEncoding(void) {
    record("CancelEncoding");
    Recorder& r = recorder();
    r.jobs.resize(r.written);
}
#ifndef RECORDING_INCOMPLETE
LARKSPIN_ENCODER_EXPORT void SendTag(const char* artist, const char* title, const char* album,
                                     const char* year, uint8_t track, const char* comment,
                                     const char* genre) {
    record("SendTag", artist, title, album, year, long(track), comment, genre);
}
#endif
LARKSPIN_ENCODER_EXPORT int32_t GetEncoderAbiVersion(void) {
    return std::stoi(scripted("abi", "1"));
}
LARKSPIN_ENCODER_EXPORT const char* GetEncodeError(void) {
    return answer(scripted("error", ""));
}

} // extern "C"
