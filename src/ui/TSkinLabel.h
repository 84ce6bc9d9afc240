#pragma once

#include "SkinDescription.h"

#include <QWidget>

namespace larkspin {

// A line of text in one of the skin's colours.
class TSkinLabel : public QWidget {
    Q_OBJECT
public:
    TSkinLabel(const QString& text, SkinColor role, int pixelSize, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }

    void setAlignment(Qt::Alignment a);
    void setBold(bool on);
    void setMonospace(bool on);

    void setSkin(const SkinDescription& skin);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SkinDescription skin_ = SkinDescription::builtIn();
    QString text_;
    SkinColor role_;
    int pixelSize_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    bool bold_ = false;
    bool monospace_ = false;
};

} // namespace larkspin
