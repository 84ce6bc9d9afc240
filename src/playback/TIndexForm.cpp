#include "TIndexForm.h"

#include "SkinDescription.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace larkspin {

TIndexForm::TIndexForm(const QString& targetFile, int minimum, int maximum, int value, QWidget* parent)
    : QDialog(parent), editor_(targetFile.toStdString(), value) {
    setObjectName(QStringLiteral("IndexForm"));
    setWindowTitle(tr("Index marks"));
    setModal(true);
    // The player's colours, so the editor looks like part of it.
    const SkinDescription skin = SkinDescription::builtIn();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, skin.color(SkinColor::WindowBottom).lighter(115));
    pal.setColor(QPalette::WindowText, skin.color(SkinColor::Text));
    pal.setColor(QPalette::Base, skin.color(SkinColor::Panel));
    pal.setColor(QPalette::AlternateBase, skin.color(SkinColor::LedOff));
    pal.setColor(QPalette::Text, skin.color(SkinColor::LedOn));
    pal.setColor(QPalette::Button, skin.color(SkinColor::ButtonFace));
    pal.setColor(QPalette::ButtonText, skin.color(SkinColor::ButtonGlyph));
    pal.setColor(QPalette::Highlight, skin.color(SkinColor::SliderFill));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::Disabled, QPalette::Text, skin.color(SkinColor::LedCaption));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, skin.color(SkinColor::Text).darker(150));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, skin.color(SkinColor::ButtonGlyph).darker(160));
    setPalette(pal);

    numberBox_ = new QSpinBox(this);
    numberBox_->setObjectName(QStringLiteral("NumberBox"));
    numberBox_->setRange(minimum, std::max(minimum, maximum));
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setObjectName(QStringLiteral("ScrollBar"));
    scrollBar_->setRange(minimum, std::max(minimum, maximum));
    {
        const QSignalBlocker b1(numberBox_), b2(scrollBar_);
        numberBox_->setValue(value);
        scrollBar_->setValue(value);
    }

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(tr("Set index at (s):"), this), 0, 0);
    top->addWidget(numberBox_, 0, 1);
    top->addWidget(new QLabel(tr("Startpoint"), this), 1, 0);
    top->addWidget(scrollBar_, 1, 1);
    top->addWidget(new QLabel(tr("Endpoint"), this), 1, 2);

    list_ = new QTableWidget(0, 2, this);
    list_->setObjectName(QStringLiteral("IndexList"));
    list_->setHorizontalHeaderLabels({tr("Index name"), tr("Position (s)")});
    list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);

    auto* save = new QPushButton(tr("Save index"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* remove = new QPushButton(tr("Delete selected index"), this);
    save->setObjectName(QStringLiteral("SaveBtn"));
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    remove->setObjectName(QStringLiteral("DeleteBtn"));
    save->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(380, 300);

    connect(numberBox_, &QSpinBox::valueChanged, this, &TIndexForm::positionChanged);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &TIndexForm::positionChanged);
    connect(list_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_ && item->column() == 0)
            editor_.RenameRow(item->row(), item->text());
    });
    connect(save, &QPushButton::clicked, this, &TIndexForm::SaveBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(remove, &QPushButton::clicked, this, &TIndexForm::DeleteBtnClick);

    fillList();
}

TIndexForm::~TIndexForm() = default;

void TIndexForm::fillList() {
    filling_ = true;
    const auto& rows = editor_.Rows();
    list_->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        auto* name = new QTableWidgetItem(rows[size_t(i)].Name);
        auto* position = new QTableWidgetItem(rows[size_t(i)].PositionText);
        position->setFlags(position->flags() & ~Qt::ItemIsEditable);
        list_->setItem(i, 0, name);
        list_->setItem(i, 1, position);
    }
    numberBox_->setEnabled(editor_.NumberBoxEnabled());
    scrollBar_->setEnabled(editor_.NumberBoxEnabled());
    filling_ = false;
}

void TIndexForm::positionChanged(int seconds) {
    // The number box and the scroll bar follow each other; the new mark (the last row) moves with them.
    {
        const QSignalBlocker b1(numberBox_), b2(scrollBar_);
        numberBox_->setValue(seconds);
        scrollBar_->setValue(seconds);
    }
    if (!editor_.NumberBoxEnabled())
        return;
    editor_.SetNewMarkPosition(seconds);
    fillList();
}

void TIndexForm::DeleteBtnClick() {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty())
        return;
    editor_.DeleteRows(rows);
    fillList();
}

void TIndexForm::SaveBtnClick() {
    const std::optional<int> number = editor_.Save();
    if (!number) {
        QMessageBox::critical(
            this, QStringLiteral("Larkspin 3.0"),
            tr("The index file %1 cannot be written.").arg(QString::fromStdString(editor_.TargetPath())));
        return;
    }
    newMarkNumber_ = *number;
    accept();
}

} // namespace larkspin
