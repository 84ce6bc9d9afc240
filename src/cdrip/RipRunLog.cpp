#include "RipRunLog.h"

namespace larkspin {

Q_LOGGING_CATEGORY(lcRipRun, "larkspin.riprun", QtWarningMsg)

} // namespace larkspin
