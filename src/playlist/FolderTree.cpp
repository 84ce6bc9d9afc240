#include "FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStandardPaths>

namespace larkspin {

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent), folders_(new QFileSystemModel(this)) {
    setObjectName(QStringLiteral("FolderTree"));
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(QDir::rootPath());
    setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c)
        hideColumn(c);
    header()->hide();
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            emit folderChosen(folders_->filePath(current));
    });
}

QString FolderTree::folder() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? folders_->filePath(current) : QString();
}

bool FolderTree::setFolder(const QString& path) {
    if (!QFileInfo(path).isDir())
        return false;
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
