#pragma once

#include <QLoggingCategory>

namespace larkspin {

// Start-up, shutdown and the settings file (QT_LOGGING_RULES="larkspin.app.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcApp)

} // namespace larkspin
