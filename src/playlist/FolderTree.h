#pragma once

#include <QTreeView>

class QFileSystemModel;

namespace larkspin {

// The folder browser of the add dialogs: the file system's folders as a tree, starting at the user's
// music folder (or home). Emits folderChosen with the folder's path whenever the current folder changes.
class FolderTree : public QTreeView {
    Q_OBJECT
public:
    explicit FolderTree(QWidget* parent = nullptr);

    QString folder() const;
    // Shows and selects path (a folder that exists); false when it cannot be shown.
    bool setFolder(const QString& path);

    // The folder the dialogs open first: the user's music folder when it exists, else home.
    static QString startFolder();

signals:
    void folderChosen(const QString& path);

private:
    QFileSystemModel* folders_;
};

} // namespace larkspin
