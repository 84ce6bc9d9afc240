#pragma once

#include <QDialog>

namespace larkspin {

// Asks for the name of the removable medium that imported files come from.
class TGetCDForm : public QDialog {
    Q_OBJECT
public:
    explicit TGetCDForm(QWidget* parent = nullptr);
};

} // namespace larkspin
