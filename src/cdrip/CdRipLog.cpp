#include "CdRipLog.h"

Q_LOGGING_CATEGORY(lcCdRip, "larkspin.cdrip", QtCriticalMsg)
