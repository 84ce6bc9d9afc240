#include "TAdd_dirform.h"

#include "FolderTree.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace larkspin {

TAdd_dirform::TAdd_dirform(const std::vector<std::string>& patterns, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Add_dirform"));
    setWindowTitle(tr("Add directory..."));
    resize(360, 420);

    tree_ = new FolderTree(this);
    Patterns = new QComboBox(this);
    Patterns->setObjectName(QStringLiteral("Patterns"));
    for (const std::string& p : patterns)
        Patterns->addItem(QString::fromStdString(p));
    Patterns->setCurrentIndex(patterns.empty() ? -1 : 0);
    Subfolders = new QCheckBox(tr("Include subfolders"), this);
    Subfolders->setObjectName(QStringLiteral("Subfolders"));
    Subfolders->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    layout->addWidget(Patterns);
    layout->addWidget(Subfolders);
    layout->addWidget(buttons);

    tree_->setFolder(FolderTree::startFolder());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

QString TAdd_dirform::folder() const {
    return tree_->folder();
}

void TAdd_dirform::setFolder(const QString& folder) {
    tree_->setFolder(folder);
}

int TAdd_dirform::selectedPattern() const {
    return Patterns->currentIndex();
}

bool TAdd_dirform::includeSubfolders() const {
    return Subfolders->isChecked();
}

} // namespace larkspin
