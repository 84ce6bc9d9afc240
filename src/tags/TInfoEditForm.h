#pragma once

#include "TitleInfoEdit.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace larkspin {

// "Edit title informations...": edits the artist and title of one track of the rip preparation's list
// (and can drop it), or the artist, album, year and genre of every track. Works on plain rows; the
// caller hands them in and takes them back after "OK".
class TInfoEditForm : public QDialog {
    Q_OBJECT
public:
    // selectedRow: the row chosen in the caller's list, -1 when none is.
    TInfoEditForm(const QList<TitleRow>& rows, int selectedRow, QWidget* parent = nullptr);

    // The rows as they are after "OK" (unchanged before it, and after "Cancel").
    const QList<TitleRow>& rows() const { return rows_; }
    // What the fields say now.
    TitleEdit edit() const;

    // Runs the dialog modally; true and the edited rows when the user pressed "OK".
    static bool EditTitles(QList<TitleRow>& rows, int selectedRow, QWidget* parent = nullptr);

public slots:
    void accept() override;

private:
    void ModeChanged();

    QList<TitleRow> rows_;
    int selectedRow_ = -1;
    QRadioButton* SelectedTitle = nullptr;
    QRadioButton* AllTitles = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QCheckBox* DeleteItem = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
};

} // namespace larkspin
