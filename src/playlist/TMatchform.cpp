#include "TMatchform.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace larkspin {

TMatchform::TMatchform(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setObjectName(QStringLiteral("Matchform"));
    setWindowTitle(tr("Matchform"));
    resize(360, 240);

    auto* label = new QLabel(tr("Some enries have been found. Please choose one of them..."), this);
    LstMatches = new QListWidget(this);
    LstMatches->setObjectName(QStringLiteral("LstMatches"));
    LstMatches->setSelectionMode(QAbstractItemView::SingleSelection);
    GetInfosBtn = new QPushButton(tr("Get CD Infos..."), this);
    GetInfosBtn->setObjectName(QStringLiteral("GetInfosBtn"));
    GetInfosBtn->setDefault(true);
    connect(GetInfosBtn, &QPushButton::clicked, this, &TMatchform::choose);
    connect(LstMatches, &QListWidget::itemDoubleClicked, this, &TMatchform::choose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(LstMatches);
    layout->addWidget(GetInfosBtn);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void TMatchform::setLines(const QStringList& lines) {
    LstMatches->clear();
    LstMatches->addItems(lines);
}

int TMatchform::selectedIndex() const {
    const QList<QListWidgetItem*> selected = LstMatches->selectedItems();
    return selected.isEmpty() ? -1 : LstMatches->row(selected.front());
}

void TMatchform::choose() {
    chosen_ = selectedIndex();
    accept();
}

int TMatchform::ChooseMatch(const QStringList& lines, QWidget* parent) {
    TMatchform form(parent);
    form.setLines(lines);
    form.exec();
    return form.chosenIndex();
}

} // namespace larkspin
