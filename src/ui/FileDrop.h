#pragma once

#include <QByteArrayList>

class QDropEvent;
class QMimeData;

namespace larkspin {

// The local files of a text/uri-list drop as file names (bytes, whatever they hold), in the order given;
// empty when the drop holds none.
QByteArrayList DroppedLocalFiles(const QMimeData* data);

// Accepts a drag or drop of local files as a copy or a link, never as a move: a file manager deletes
// the source of a move. Returns false (and ignores the event) when the drag offers neither or carries
// no local files.
bool AcceptFileDrop(QDropEvent* event);

} // namespace larkspin
