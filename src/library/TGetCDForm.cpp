#include "TGetCDForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace larkspin {

TGetCDForm::TGetCDForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Medium name"));
    nameEdit = new QLineEdit;
    okButton = new QPushButton(QStringLiteral("OK"));
    cancelButton = new QPushButton(QStringLiteral("Cancel"));
    okButton->setEnabled(false);
    okButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("These files are saved on an removable disc. Please type in its name")));
    layout->addWidget(new QLabel(QStringLiteral("for identification:")));
    layout->addWidget(nameEdit);
    layout->addLayout(buttons);
    connect(nameEdit, &QLineEdit::textChanged, this,
            [this](const QString& t) { okButton->setEnabled(!t.isEmpty()); });
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        nameEdit->clear();
        reject();
    });
}

QString TGetCDForm::mediumName() const {
    return nameEdit->text();
}

} // namespace larkspin
