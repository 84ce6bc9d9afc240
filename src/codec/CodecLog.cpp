#include "CodecLog.h"

Q_LOGGING_CATEGORY(lcCodec, "larkspin.codec", QtCriticalMsg)
