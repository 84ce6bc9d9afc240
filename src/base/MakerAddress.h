#pragma once

#include <string>

namespace larkspin {

// The maker's web address, set when Larkspin is built (the CMake setting LARKSPIN_WEB_ADDRESS); empty
// when the build set none.
const char* MakerWebAddress();

// "text [address]" for window captions and the comment of ripped files; just "text" when the build set
// no address.
std::string WithMakerAddress(std::string text);

} // namespace larkspin
