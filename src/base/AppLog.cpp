#include "AppLog.h"

namespace larkspin {

Q_LOGGING_CATEGORY(lcApp, "larkspin.app", QtWarningMsg)

} // namespace larkspin
