#include "EncoderEnumeration.h"

#include "CodecLog.h"
#include "TEncoderHost.h"

namespace larkspin {

void EnumerateEncoderPlugIns(TEncoderHost& host) {
    host.Enumerate();
    for (const SkippedEncoder& skipped : host.Skipped())
        qCWarning(lcCodec).noquote() << "encoder plug-in" << QString::fromStdString(skipped.fileName)
                                     << "left out:" << QString::fromStdString(skipped.reason);
}

} // namespace larkspin
