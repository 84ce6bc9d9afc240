#pragma once

#include <QLoggingCategory>

// Files that were not encoded or decoded, and why; quiet unless enabled with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcCodec)
