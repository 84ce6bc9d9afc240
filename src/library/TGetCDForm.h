#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace larkspin {

// Asks for the name of the removable medium that imported files come from. "OK" is enabled only while
// the name is not empty; "Cancel" empties it. However it is closed, the name typed is the medium name.
class TGetCDForm : public QDialog {
    Q_OBJECT
public:
    explicit TGetCDForm(QWidget* parent = nullptr);

    QString mediumName() const;

    QLineEdit* nameEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

} // namespace larkspin
