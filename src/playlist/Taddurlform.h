#pragma once

#include <QDialog>

namespace larkspin {

// The add-URL window: created at start, but no command opens it.
class Taddurlform : public QDialog {
    Q_OBJECT
public:
    explicit Taddurlform(QWidget* parent = nullptr);
};

} // namespace larkspin
