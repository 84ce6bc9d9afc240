#include "MakerAddress.h"

#include "LarkspinWebAddress.h" // generated from the CMake setting LARKSPIN_WEB_ADDRESS

namespace larkspin {

const char* MakerWebAddress() {
    return LarkspinWebAddress;
}

std::string WithMakerAddress(std::string text) {
    const std::string address = LarkspinWebAddress;
    if (!address.empty())
        text += " [" + address + "]";
    return text;
}

} // namespace larkspin
