#include "LameBitrateSteps.h"

#include <array>

namespace larkspin {

namespace {
constexpr std::array<int, 15> Steps{32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};
}

int LameBitrateSteps::Bitrate(int position) {
    if (position < First || position > Last)
        position = DefaultPosition;
    return Steps[size_t(position - 1)];
}

QString LameBitrateSteps::Label(int position) {
    return QStringLiteral("%1 kbit").arg(Bitrate(position));
}

int LameBitrateSteps::PositionOf(int bitrate) {
    for (size_t i = 0; i < Steps.size(); ++i)
        if (Steps[i] == bitrate)
            return int(i) + 1;
    return DefaultPosition;
}

} // namespace larkspin
