#include "Taddfilesform.h"

#include "FolderTree.h"
#include "Settings.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

#include <algorithm>

namespace larkspin {
namespace {

QStringList Names(const std::vector<std::string>& names) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& n : names)
        out << QFile::decodeName(QByteArray::fromStdString(n));
    return out;
}

} // namespace

Taddfilesform::Taddfilesform(QWidget* parent) : Taddfilesform(settings(), parent) {}

Taddfilesform::Taddfilesform(Settings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("addfilesform"));
    setWindowTitle(tr("Import audiofiles..."));
    resize(640, 420);

    tree_ = new FolderTree(this);
    available_ = new QStringListModel(this);
    toAdd_ = new QStringListModel(this);
    auto list = [this](const char* name, QStringListModel* model) {
        auto* view = new QListView(this);
        view->setObjectName(QLatin1String(name));
        view->setModel(model);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return view;
    };
    ListBox1 = list("ListBox1", available_);
    ListBox2 = list("ListBox2", toAdd_);
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label5 = new QLabel(this);
    Label5->setObjectName(QStringLiteral("Label5"));
    MoreThanOne = new QCheckBox(tr("Allow more than one directory"), this);
    MoreThanOne->setObjectName(QStringLiteral("AllowMoreThanOne"));
    RemSelected = new QCheckBox(tr("Remember selected files"), this);
    RemSelected->setObjectName(QStringLiteral("RemSelected"));

    auto button = [this](const char* name, const QString& text, auto click) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    QPushButton* add = button("AddBtn", tr("add"), [this] {
        state_.Add(selectedRows(ListBox1));
        refreshLists();
    });
    QPushButton* addAll = button("AddAllBtn", tr("add all "), [this] {
        state_.AddAll();
        refreshLists();
    });
    QPushButton* remove = button("RemoveBtn", tr("remove"), [this] {
        state_.Remove(selectedRows(ListBox2));
        refreshLists();
    });
    QPushButton* removeAll = button("RemoveAllBtn", tr("remove all"), [this] {
        state_.RemoveAll();
        refreshLists();
    });
    QPushButton* accept = button("AcceptBtn", tr("Add selected files..."), [this] {
        // With nothing chosen the dialog stays open.
        if (state_.AcceptSelected())
            QDialog::accept();
    });
    accept->setDefault(true);
    QPushButton* cancel = button("CancelBtn", tr("Cancel"), [this] { reject(); });

    connect(tree_, &FolderTree::folderChosen, this, &Taddfilesform::changeFolder);
    connect(MoreThanOne, &QCheckBox::clicked, this, [this](bool on) {
        state_.SetAllowMoreThanOne(on);
        settings_.AllowMoreThanOne = on;
    });
    connect(RemSelected, &QCheckBox::clicked, this, [this](bool on) {
        state_.SetRememberSelected(on);
        settings_.RemSelected = on;
    });

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* b : {add, addAll, remove, removeAll})
        moves->addWidget(b);
    moves->addStretch();
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(tr("Available mediafiles:"), this), 0, 0);
    lists->addWidget(new QLabel(tr("Files to add:"), this), 0, 2);
    lists->addWidget(ListBox1, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(ListBox2, 1, 2);
    lists->addWidget(Label4, 2, 0);
    lists->addWidget(Label5, 2, 2);
    auto* top = new QHBoxLayout;
    top->addWidget(tree_, 2);
    top->addLayout(lists, 5);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(MoreThanOne);
    bottom->addWidget(RemSelected);
    bottom->addStretch();
    bottom->addWidget(accept);
    bottom->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(bottom);

    tree_->setFolder(FolderTree::startFolder());
    refreshLists();
}

void Taddfilesform::setJoinedTypes(const std::string& joinedTypes) {
    state_.SetJoinedTypes(joinedTypes);
}

void Taddfilesform::showFolder(const QString& folder) {
    // The tree reports a new current folder through changeFolder.
    const QString before = tree_->folder();
    if (!tree_->setFolder(folder) || tree_->folder() == before)
        changeFolder(folder);
}

void Taddfilesform::changeFolder(const QString& folder) {
    state_.ChangeFolder(QFile::encodeName(folder).toStdString());
    refreshLists();
}

void Taddfilesform::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    MoreThanOne->setChecked(settings_.AllowMoreThanOne);
    RemSelected->setChecked(settings_.RemSelected);
    state_.Show(settings_.AllowMoreThanOne, settings_.RemSelected);
    refreshLists();
}

void Taddfilesform::done(int r) {
    state_.Close();
    QDialog::done(r);
}

void Taddfilesform::refreshLists() {
    available_->setStringList(Names(state_.Available()));
    toAdd_->setStringList(Names(state_.ToAdd()));
    Label4->setText(QString::number(state_.Available().size()));
    Label5->setText(QString::number(state_.ToAdd().size()));
}

std::vector<int> Taddfilesform::selectedRows(const QListView* list) {
    std::vector<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace larkspin
