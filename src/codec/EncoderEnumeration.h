#pragma once

namespace larkspin {

class TEncoderHost;

// Fills the host's list from its folder (when the settings window is created) and logs every library
// left out, with the reason, to larkspin.codec.
void EnumerateEncoderPlugIns(TEncoderHost& host);

} // namespace larkspin
