// libFuzzer target: the MPEG audio reader and every derived value.
#include "FileBytes.h"
#include "TMPEGaudio.h"

#include <cmath>
#include <cstdlib>
#include <string>

using namespace larkspin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024)
        return 0;
    TMPEGaudio mpeg;
    mpeg.Load(FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(data), size)));
    volatile double sink = mpeg.Duration() + mpeg.Bitrate() + mpeg.SampleRate() + mpeg.FrameCount() +
                           mpeg.FrameLength() + mpeg.EncoderIndex();
    (void)sink;
    if (mpeg.EncoderName().empty() || mpeg.ChannelModeName().empty() || mpeg.EmphasisName().empty())
        std::abort();
    if (!mpeg.FirstFrame().Found && (mpeg.Duration() != 0 || mpeg.FrameCount() != 0 || mpeg.Bitrate() != 0))
        std::abort();
    if (std::isnan(mpeg.Duration()))
        std::abort();
    return 0;
}
