#pragma once

#include <string>

// How encoded and decoded files are named. Standard library only: the encode and decode jobs and the
// plug-in kit name their outputs by this one rule.
namespace larkspin {

// outputFolder + "/" + the source's file name without its extension + "." + extension; trailing
// slashes of outputFolder are dropped. "/music/a.b.mp3", "/out/", "wav" gives "/out/a.b.wav"; a name
// that only begins with a dot (".hidden") keeps it.
std::string OutputFileName(const std::string& source, const std::string& outputFolder,
                           const std::string& extension);

} // namespace larkspin
