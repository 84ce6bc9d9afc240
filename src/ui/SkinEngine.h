#pragma once

#include "SkinDescription.h"

#include <QObject>
#include <QPalette>

class QWidget;

namespace larkspin {

// The skin of the running program. The skinned widgets of the player window take the whole description;
// the other windows and the dialogs take its palette and list font (applyTo). Windows follow
// skinChanged, so switching skins changes all of them at once. Lives on the GUI thread.
class SkinEngine : public QObject {
    Q_OBJECT
public:
    const SkinDescription& skin() const { return skin_; }

    // Reads the skin description at iniPath (SkinFile.h): what it cannot supply keeps the built-in look.
    // False when the file could not be read at all; the built-in look is then in use.
    bool load(const QString& iniPath);
    void useBuiltIn();
    void setSkin(const SkinDescription& skin);

    // The colours of a plain window (lists, fields, buttons) in the skin's look.
    static QPalette paletteFor(const SkinDescription& skin);
    // Gives w (and its children) the skin's palette, list font and panel texture.
    void applyTo(QWidget* w) const;
    // Applies the skin to w now and whenever it changes.
    void follow(QWidget* w);
    // Makes the skin's palette the application's, now and whenever it changes, so windows nobody
    // follows (file dialogs, message boxes, menus) take the skin's colours as well. Once is enough.
    void followInApplication();

signals:
    void skinChanged(const larkspin::SkinDescription& skin);

private:
    SkinDescription skin_ = SkinDescription::builtIn();
    bool followsApplication_ = false;
};

// The skin engine of the running program.
SkinEngine& skinEngine();

} // namespace larkspin
