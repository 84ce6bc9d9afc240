#pragma once

#include "SkinDescription.h"

#include <QAbstractButton>

namespace larkspin {

// A bitmap-style push button. It draws the skin's "button.<name>" bitmaps when there are any
// ("button.<name>.down" while pressed or checked), otherwise a bevelled face with a symbol or a short
// text. A checkable button shows a small lamp that lights while it is checked.
class TSkinButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Glyph { Text, Play, Pause, Stop, Previous, Next, Menu, Minimize, Close };

    TSkinButton(Glyph glyph, const QString& name, QWidget* parent = nullptr);

    Glyph glyph() const { return glyph_; }
    // The bitmap name of this button inside a skin ("play", "shuffle", ...).
    QString skinName() const { return skinName_; }

    void setSkin(const SkinDescription& skin);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawGlyph(QPainter& p, const QRectF& r, const QColor& c) const;

    SkinDescription skin_ = SkinDescription::builtIn();
    Glyph glyph_;
    QString skinName_;
    bool hover_ = false;
};

} // namespace larkspin
