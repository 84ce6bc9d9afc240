#pragma once

#include <QLoggingCategory>

namespace larkspin {

// The CDDB client's requests and what went wrong with them (QT_LOGGING_RULES="larkspin.cddb.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcCddb)

} // namespace larkspin
