#pragma once

#include "Decoder.h"
#include "Retirer.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace larkspin::kit {

// Decodes one file to a 16-bit PCM WAV with a 44-byte header on a thread of its own, in the file's
// opening format (later format changes are converted to it). The samples go to a temporary file in
// the output folder that is renamed into place only when complete, so a failed or cancelled decode
// leaves nothing behind and never replaces the source itself. Its functions are called from one
// thread and never wait long for the decoder.
class DecodeJob {
public:
    explicit DecodeJob(DecoderFactory createDecoder) : createDecoder_(createDecoder) {}
    ~DecodeJob(); // cancels and waits
    void start(const std::string& source, const std::string& outputFolder);
    // Percent; 100 when finished, failed or cancelled.
    int32_t progress() const;
    // Stops the running decode. Waits a moment for its partial output to go; a decoder that does not
    // answer by then finishes (and removes it) on a thread of its own.
    void cancel();

private:
    struct Run {
        std::atomic<bool> cancelled{false};
        std::atomic<int32_t> progress{0};
        std::mutex mutex;
        std::condition_variable ended;
        bool over = false; // guarded by mutex
    };
    static void decode(DecoderFactory createDecoder, Run& run, const std::string& source,
                       const std::string& target);

    const DecoderFactory createDecoder_;
    std::shared_ptr<Run> run_; // the caller's thread only; the decoding thread holds its own reference
    std::thread thread_;
    Retirer retirer_;
};

} // namespace larkspin::kit
