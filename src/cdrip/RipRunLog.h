#pragma once

#include <QLoggingCategory>

namespace larkspin {

// The rip run's tracks and what went wrong with them (QT_LOGGING_RULES="larkspin.riprun.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcRipRun)

} // namespace larkspin
