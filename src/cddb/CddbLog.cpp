#include "CddbLog.h"

namespace larkspin {

Q_LOGGING_CATEGORY(lcCddb, "larkspin.cddb", QtWarningMsg)

} // namespace larkspin
