#include "TInfoEditForm.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace larkspin {

static QLineEdit* NamedEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

TInfoEditForm::TInfoEditForm(const QList<TitleRow>& rows, int selectedRow, QWidget* parent)
    : QDialog(parent), rows_(rows) {
    setObjectName(QStringLiteral("InfoEditForm"));
    setWindowTitle(QStringLiteral("Edit title informations..."));

    SelectedTitle = new QRadioButton(QStringLiteral("Edit selected title..."), this);
    SelectedTitle->setObjectName(QStringLiteral("SelectedTitle"));
    AllTitles = new QRadioButton(QStringLiteral("Edit all titles..."), this);
    AllTitles->setObjectName(QStringLiteral("AllTitles"));

    auto* single = new QGroupBox(this);
    auto* singleForm = new QFormLayout(single);
    Edit1 = NamedEdit("Edit1", single);
    Edit2 = NamedEdit("Edit2", single);
    DeleteItem = new QCheckBox(QStringLiteral("Delete selected item (not the title)"), single);
    DeleteItem->setObjectName(QStringLiteral("DeleteItem"));
    singleForm->addRow(QStringLiteral("Artist"), Edit1);
    singleForm->addRow(QStringLiteral("Title"), Edit2);
    singleForm->addRow(DeleteItem);

    auto* all = new QGroupBox(this);
    auto* allForm = new QFormLayout(all);
    Edit3 = NamedEdit("Edit3", all);
    Edit4 = NamedEdit("Edit4", all);
    Edit5 = NamedEdit("Edit5", all);
    Edit6 = NamedEdit("Edit6", all);
    allForm->addRow(QStringLiteral("Albumname"), Edit3);
    allForm->addRow(QStringLiteral("Artist"), Edit4);
    allForm->addRow(QStringLiteral("Year"), Edit5);
    allForm->addRow(QStringLiteral("Genre"), Edit6);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TInfoEditForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SelectedTitle);
    layout->addWidget(single);
    layout->addWidget(AllTitles);
    layout->addWidget(all);
    layout->addWidget(buttons);

    const TitleEdit prefill = PrefillTitleEdit(rows_, selectedRow);
    selectedRow_ = prefill.selectedRow;
    Edit1->setText(prefill.artist);
    Edit2->setText(prefill.title);
    Edit3->setText(prefill.allAlbum);
    Edit4->setText(prefill.allArtist);
    Edit5->setText(prefill.allYear);
    Edit6->setText(prefill.allGenre);
    SelectedTitle->setEnabled(prefill.singleTitle);
    (prefill.singleTitle ? SelectedTitle : AllTitles)->setChecked(true);
    connect(SelectedTitle, &QRadioButton::toggled, this, &TInfoEditForm::ModeChanged);
    ModeChanged();
}

void TInfoEditForm::ModeChanged() {
    const bool single = SelectedTitle->isChecked();
    Edit1->setEnabled(single);
    Edit2->setEnabled(single);
    DeleteItem->setEnabled(single);
    Edit3->setEnabled(!single);
    Edit4->setEnabled(!single);
    Edit5->setEnabled(!single);
    Edit6->setEnabled(!single);
}

TitleEdit TInfoEditForm::edit() const {
    TitleEdit e;
    e.singleTitle = SelectedTitle->isChecked();
    e.selectedRow = selectedRow_;
    e.artist = Edit1->text();
    e.title = Edit2->text();
    e.deleteRow = DeleteItem->isChecked();
    e.allAlbum = Edit3->text();
    e.allArtist = Edit4->text();
    e.allYear = Edit5->text();
    e.allGenre = Edit6->text();
    return e;
}

void TInfoEditForm::accept() {
    ApplyTitleEdit(rows_, edit());
    QDialog::accept();
}

bool TInfoEditForm::EditTitles(QList<TitleRow>& rows, int selectedRow, QWidget* parent) {
    TInfoEditForm form(rows, selectedRow, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    rows = form.rows();
    return true;
}

} // namespace larkspin
