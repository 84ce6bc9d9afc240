// The encoder plug-in kit: the 14 exports, a job queue worked off on the plug-in's own thread, the
// settings file, and output through AtomicFile.
#include "EncoderKit.h"

#include "AtomicFile.h"
#include "TextConvert.h"

#include <larkspin/encoder_plugin.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace larkspin::enc {

namespace {

struct Job {
    std::string source;
    std::string destination;
    Tags tags;
};

std::string fileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string text(const char* t) {
    // Tags must be UTF-8 in every format; what follows a broken sequence is dropped.
    return t ? Utf8ValidPrefix(t) : std::string();
}

std::string libraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryPath), &info) && info.dli_fname)
        return info.dli_fname;
    return {};
}

// Beside the library when its folder can be written (the build tree, a portable copy); otherwise, as for
// an installed program, in the user's configuration folder.
std::string settingsFileName() {
    std::string path = libraryPath();
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".so") == 0)
        path.resize(path.size() - 3);
    if (access(folderOf(path).c_str(), W_OK) == 0)
        return path + ".ini";
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = std::string(home) + "/.config";
    else
        return path + ".ini";
    return config + "/larkspin/" + fileName(path) + ".ini";
}

// Works off the jobs one after the other on a thread of its own.
class Worker {
public:
    ~Worker() { stop(); }

    void add(Job job) {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        ++pending_;
        if (!thread_.joinable()) {
            quit_ = false;
            thread_ = std::thread([this] { run(); });
        }
        wake_.notify_all();
    }

    // Ends the running job, drops the queued ones and waits until nothing runs.
    void cancel() {
        std::unique_lock lock(mutex_);
        pending_ -= static_cast<int>(jobs_.size());
        jobs_.clear();
        cancelled_ = true;
        idle_.wait(lock, [this] { return pending_ == 0; });
        cancelled_ = false;
        progress_ = 100;
    }

    void stop() {
        cancel();
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            wake_.notify_all();
        }
        if (thread_.joinable())
            thread_.join();
    }

    bool finished() {
        std::lock_guard lock(mutex_);
        return pending_ == 0;
    }
    int32_t progress() const { return progress_.load(); }
    std::string lastError() {
        std::lock_guard lock(mutex_);
        return lastError_;
    }

    Settings settings; // set by StartPlugIn on the host's thread while no job runs; read by jobs

private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
            if (quit_)
                return;
            Job job = std::move(jobs_.front());
            jobs_.pop_front();
            progress_ = 0;
            lock.unlock();
            std::string error;
            try {
                error = encode(job);
            } catch (const std::exception&) {
                error = "could not be encoded (out of memory)";
            }
            lock.lock();
            lastError_ = error;
            progress_ = 100;
            if (--pending_ == 0)
                idle_.notify_all();
        }
    }

    bool isCancelled() {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

    // One job; "" on success, else a phrase about the source file.
    std::string encode(const Job& job) {
        const EncoderDescription& d = encoderDescription();
        WavReader wav;
        if (!wav.Open(job.source))
            return wav.ProblemText();
        const WavFormat& format = wav.Format();
        if (format.channels > d.maxChannels)
            return "has " + std::to_string(format.channels) + " channels; " + d.encodeType +
                   " takes at most " + std::to_string(d.maxChannels);
        if (job.destination.empty() || job.destination == job.source || sameFile(job.source, job.destination))
            return "would be replaced by its own output";
        AtomicFile out(job.destination);
        if (!out.Open())
            return "cannot be written to " + out.ErrorText();
        std::unique_ptr<FormatEncoder> encoder = d.create(settings);
        std::string error;
        if (!encoder || !encoder->begin(format, job.tags, out, error))
            return error.empty() ? std::string("could not be encoded") : error;
        constexpr long Chunk = 1024;
        std::vector<std::int16_t> samples(static_cast<std::size_t>(Chunk) * format.channels);
        for (;;) {
            if (isCancelled())
                return "was cancelled"; // AtomicFile removes the partial output
            const long got = wav.Read(samples.data(), Chunk);
            if (got < 0)
                return "could not be read to its end";
            if (got == 0)
                break;
            if (!encoder->encode(samples.data(), got, error))
                return error;
            if (format.frames > 0)
                progress_ =
                    static_cast<int32_t>(std::min<std::int64_t>(99, wav.FramesRead() * 100 / format.frames));
        }
        if (!encoder->finish(error))
            return error;
        if (isCancelled())
            return "was cancelled";
        if (!out.Commit())
            return WriteFailure(out);
        return {};
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;               // guarded by mutex_
    int pending_ = 0;                    // guarded by mutex_: queued jobs plus the running one
    bool cancelled_ = false;             // guarded by mutex_
    bool quit_ = false;                  // guarded by mutex_
    std::string lastError_;              // guarded by mutex_
    std::atomic<int32_t> progress_{100}; // written by the worker, read by the host
    std::thread thread_;
};

struct PlugIn {
    Worker worker;
    Tags nextTags;           // host thread only
    std::string errorAnswer; // keeps GetEncodeError's text alive
};

PlugIn& plugIn() {
    static PlugIn p;
    return p;
}

std::string settingsTemplate(const Settings& current) {
    std::ostringstream out;
    out << "; Settings of " << fileName(libraryPath()) << " (" << encoderDescription().info << ")\n";
    for (const Setting* s = encoderDescription().settings; s && s->key; ++s)
        out << "; " << s->description << " (" << s->low << " to " << s->high << ", default "
            << s->defaultValue << ")\n"
            << s->key << "=" << current.value(*s) << "\n";
    return out.str();
}

// Opens a file with the desktop's handler without waiting for it and without leaving a zombie.
void openWithDesktop(const std::string& path) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        return;
    const pid_t child = fork();
    if (child == 0) {
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
        }
        _exit(0);
    }
    if (child > 0)
        waitpid(child, nullptr, 0);
}

} // namespace

std::string WriteFailure(const AtomicFile& out) {
    const std::string cause = out.ErrorText();
    return "could not be written to " + (cause.empty() ? out.Target() : cause);
}

int Settings::value(const Setting& setting) const {
    std::ifstream in(file);
    std::string line;
    int result = setting.defaultValue;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || line.compare(0, eq, setting.key) != 0)
            continue;
        char* end = nullptr;
        const std::string value = line.substr(eq + 1);
        const long v = std::strtol(value.c_str(), &end, 10);
        if (end != value.c_str())
            result = static_cast<int>(std::clamp<long>(v, setting.low, setting.high));
    }
    return result;
}

} // namespace larkspin::enc

using namespace larkspin::enc;

extern "C" {

void StartPlugIn(int32_t, intptr_t) {
    plugIn().worker.cancel();
    plugIn().worker.settings.file = settingsFileName();
}

void ClosePlugIn(void) {
    plugIn().worker.stop();
}

void ShowSettings(void) {
    Settings current;
    current.file = settingsFileName();
    struct stat st {};
    if (stat(current.file.c_str(), &st) != 0) {
        mkdir(folderOf(folderOf(current.file)).c_str(), 0700);
        mkdir(folderOf(current.file).c_str(), 0700);
        larkspin::WriteFileAtomically(current.file, settingsTemplate(current));
    }
    openWithDesktop(current.file);
}

const char* GetInfo(void) {
    return encoderDescription().info;
}

const char* GetDeveloper(void) {
    return "The Larkspin developers";
}

const char* GetMail(void) {
    return "---";
}

const char* GetWeb(void) {
    return "---"; // the project names no web address of its own
}

const char* GetDate(void) {
    return encoderDescription().date;
}

void EncodeFile(const char* source, const char* destination) {
    PlugIn& p = plugIn();
    p.worker.add({source ? source : "", destination ? destination : "", std::move(p.nextTags)});
    p.nextTags = {};
}

int32_t GetPosition(void) {
    return plugIn().worker.progress();
}

const char* GetEncodeType(void) {
    return encoderDescription().encodeType;
}

unsigned char GetFinished(void) {
    return plugIn().worker.finished() ? 1 : 0;
}

void CancelEncoding(void) {
    plugIn().worker.cancel();
}

void SendTag(const char* artist, const char* title, const char* album, const char* year, uint8_t track,
             const char* comment, const char* genre) {
    plugIn().nextTags = {text(artist), text(title),   text(album), text(year),
                         track,        text(comment), text(genre)};
}

int32_t GetEncoderAbiVersion(void) {
    return LARKSPIN_ENCODER_ABI_VERSION;
}

const char* GetEncodeError(void) {
    PlugIn& p = plugIn();
    p.errorAnswer = p.worker.lastError();
    return p.errorAnswer.c_str();
}

} // extern "C"
