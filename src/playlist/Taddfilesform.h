#pragma once

#include <QDialog>

namespace larkspin {

// The add-files window ("Import audiofiles...").
class Taddfilesform : public QDialog {
    Q_OBJECT
public:
    explicit Taddfilesform(QWidget* parent = nullptr);
};

} // namespace larkspin
