#include "FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalBlocker>
#include <QStandardPaths>

namespace larkspin {

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("FolderTree"));
    header()->hide();
}

void FolderTree::makeModel() {
    if (folders_)
        return;
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(QDir::rootPath());
    setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c)
        hideColumn(c);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            emit folderChosen(folders_->filePath(current));
    });
}

void FolderTree::dropModel() {
    if (!folders_)
        return;
    keptFolder_ = folder();
    QItemSelectionModel* selection = selectionModel();
    setModel(nullptr);
    delete selection;
    delete folders_;
    folders_ = nullptr;
}

void FolderTree::showEvent(QShowEvent* event) {
    if (!folders_) {
        // The same folder as before the tree hid: nothing to report.
        const QSignalBlocker quiet(this);
        const QString kept = keptFolder_;
        makeModel();
        if (!kept.isEmpty())
            setFolder(kept);
    }
    QTreeView::showEvent(event);
}

void FolderTree::hideEvent(QHideEvent* event) {
    QTreeView::hideEvent(event);
    dropModel();
}

QString FolderTree::folder() const {
    if (!folders_)
        return keptFolder_;
    const QModelIndex current = currentIndex();
    return current.isValid() ? folders_->filePath(current) : QString();
}

bool FolderTree::setFolder(const QString& path) {
    if (!QFileInfo(path).isDir())
        return false;
    makeModel();
    const QModelIndex index = folders_->index(QDir(path).absolutePath());
    if (!index.isValid())
        return false;
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

QString FolderTree::startFolder() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return !music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath();
}

} // namespace larkspin
