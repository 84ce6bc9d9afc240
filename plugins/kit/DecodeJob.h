#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace larkspin::kit {

// The WAV file name decodefile writes: outputFolder + "/" + the source's file name without its
// extension + ".wav".
std::string decodedFileName(const std::string& source, const std::string& outputFolder);

// Decodes one file to a 16-bit PCM WAV with a 44-byte header on a thread of its own. The samples go to
// a temporary file in the output folder that is renamed into place only when complete, so a failed or
// cancelled decode leaves nothing behind and never replaces the source itself.
class DecodeJob {
public:
    ~DecodeJob() { cancel(); }
    void start(const std::string& source, const std::string& outputFolder);
    // Percent; 100 when finished, failed or cancelled.
    int32_t progress() const { return progress_.load(); }
    void cancel();

private:
    void run(std::string source, std::string target);

    std::thread thread_;
    std::atomic<bool> cancelled_{false};
    std::atomic<int32_t> progress_{100};
};

} // namespace larkspin::kit
