#include "FileDrop.h"

#include "FileUrls.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace larkspin {

QByteArrayList DroppedLocalFiles(const QMimeData* data) {
    QByteArrayList paths;
    if (!data || !data->hasUrls())
        return paths;
    // The encoded address keeps bytes that are no UTF-8 as escapes; toLocalFile would replace them.
    for (const QUrl& url : data->urls())
        if (const std::optional<std::string> path = LocalPathOfFileUrl(url.toEncoded().toStdString()))
            paths << QByteArray::fromStdString(*path);
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
