#pragma once

#include <QTreeView>

class QFileSystemModel;

namespace larkspin {

// The folder browser of the add dialogs: the file system's folders as a tree, starting at the user's
// music folder (or home). Emits folderChosen with the folder's path whenever the current folder changes.
// The file system model watches every folder it has listed; it is made when the tree is shown or a folder
// is set, and dropped when the tree hides, so a hidden dialog watches nothing.
class FolderTree : public QTreeView {
    Q_OBJECT
public:
    explicit FolderTree(QWidget* parent = nullptr);

    QString folder() const;
    // Shows and selects path (a folder that exists); false when it cannot be shown.
    bool setFolder(const QString& path);

    // The folder the dialogs open first: the user's music folder when it exists, else home.
    static QString startFolder();

    // The model while there is one (for a look at what it watches).
    const QFileSystemModel* folderModel() const { return folders_; }

signals:
    void folderChosen(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void makeModel();
    void dropModel();

    QFileSystemModel* folders_ = nullptr;
    QString keptFolder_; // the current folder while there is no model
};

} // namespace larkspin
