#pragma once

#include "SkinDescription.h"

#include <QWidget>

namespace larkspin {

// One seven-segment LED digit. It shows its value modulo 10; with blankZero it stays dark for 0
// (the leading digits of the track number and of the minutes).
class TLedDigit : public QWidget {
    Q_OBJECT
public:
    explicit TLedDigit(QWidget* parent = nullptr, bool blankZero = false);

    void setValue(int value);
    int value() const { return value_; }

    void setBlankZero(bool on);
    bool blankZero() const { return blankZero_; }

    // The digit on display, -1 when blank.
    int shownDigit() const;

    void setSkin(const SkinDescription& skin);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SkinDescription skin_ = SkinDescription::builtIn();
    int value_ = 0;
    bool blankZero_ = false;
};

} // namespace larkspin
