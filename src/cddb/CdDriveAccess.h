#pragma once

#include "CdDrives.h"

#include <memory>

// libcdio's handle of an open drive, for the code that reads from drives itself.
typedef struct _CdIo CdIo_t;

namespace larkspin {

struct CdioCloser {
    void operator()(CdIo_t* p) const;
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioCloser>;

// Keeps libcdio from logging below an assertion (it aborts when two threads log at once). Every
// function here calls it first; code that calls libcdio on other threads calls it before it starts them.
void QuietCdioLogging();

// Opens a drive of the table through libcdio: a device, or a disc image's CUE sheet. Null when there
// is nothing readable there (no disc, no such file, a sheet without tracks).
CdioHandle OpenDrive(const CdDriveInfo& drive);

} // namespace larkspin
