#include "FileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace larkspin {

QStringList DroppedLocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    return paths;
}

bool AcceptFileDrop(QDropEvent* event) {
    const Qt::DropActions offered = event->possibleActions();
    Qt::DropAction action = Qt::IgnoreAction;
    if (offered & Qt::CopyAction)
        action = Qt::CopyAction;
    else if (offered & Qt::LinkAction)
        action = Qt::LinkAction;
    if (action == Qt::IgnoreAction || DroppedLocalFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return false;
    }
    event->setDropAction(action);
    event->accept();
    return true;
}

} // namespace larkspin
