#pragma once

#include <QWidget>

namespace larkspin {

// The "Zizezed Avidido" window: library, CD ripper and encoder/decoder pages.
class TStationForm : public QWidget {
    Q_OBJECT
public:
    explicit TStationForm(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace larkspin
