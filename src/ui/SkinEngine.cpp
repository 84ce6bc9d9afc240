#include "SkinEngine.h"

#include "ColorContrast.h"
#include "SkinFile.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace larkspin {

bool SkinEngine::load(const QString& iniPath) {
    SkinLoad l = LoadSkinFile(iniPath);
    setSkin(l.skin);
    return l.read;
}

void SkinEngine::useBuiltIn() {
    setSkin(SkinDescription::builtIn());
}

void SkinEngine::setSkin(const SkinDescription& skin) {
    skin_ = skin;
    emit skinChanged(skin_);
}

QPalette SkinEngine::paletteFor(const SkinDescription& s) {
    QPalette p;
    const QColor window = s.color(SkinColor::WindowBottom);
    QBrush windowBrush(window);
    const QPixmap panel = s.bitmap(QStringLiteral("panel"));
    if (!panel.isNull())
        windowBrush.setTexture(panel);
    p.setBrush(QPalette::Window, windowBrush);
    p.setColor(QPalette::WindowText, s.color(SkinColor::Text));
    p.setColor(QPalette::Base, s.color(SkinColor::ListBackground));
    p.setColor(QPalette::AlternateBase, s.color(SkinColor::ListAlternate));
    p.setColor(QPalette::Text, s.color(SkinColor::ListText));
    p.setColor(QPalette::PlaceholderText, s.color(SkinColor::LedCaption));
    p.setColor(QPalette::Highlight, s.color(SkinColor::ListSelection));
    p.setColor(QPalette::HighlightedText, s.color(SkinColor::ListSelectionText));
    p.setColor(QPalette::Button, s.color(SkinColor::ButtonFace));
    p.setColor(QPalette::ButtonText, s.color(SkinColor::ButtonGlyph));
    p.setColor(QPalette::Light, s.color(SkinColor::WindowLight));
    p.setColor(QPalette::Midlight, s.color(SkinColor::WindowLight).darker(120));
    p.setColor(QPalette::Mid, s.color(SkinColor::WindowTop));
    p.setColor(QPalette::Dark, s.color(SkinColor::WindowEdge));
    p.setColor(QPalette::Shadow, s.color(SkinColor::WindowEdge));
    p.setColor(QPalette::ToolTipBase, s.color(SkinColor::Panel));
    p.setColor(QPalette::ToolTipText, s.color(SkinColor::LedOn));
    // Links take the lit colour, made readable against the window where it is not.
    const QColor link = ReadableAgainst(s.color(SkinColor::LedOn), window);
    p.setColor(QPalette::Link, link);
    p.setColor(QPalette::LinkVisited, link);
    p.setColor(QPalette::BrightText, s.color(SkinColor::ButtonLit));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        QColor dim = p.color(QPalette::Active, role);
        dim.setAlpha(110);
        p.setColor(QPalette::Disabled, role, dim);
    }
    return p;
}

void SkinEngine::applyTo(QWidget* w) const {
    if (!w)
        return;
    w->setPalette(paletteFor(skin_));
    w->setFont(skin_.listFont());
    w->setAutoFillBackground(true);
}

void SkinEngine::follow(QWidget* w) {
    applyTo(w);
    QPointer<QWidget> guard(w);
    connect(this, &SkinEngine::skinChanged, w, [this, guard] { applyTo(guard); });
}

void SkinEngine::followInApplication() {
    if (followsApplication_ || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    followsApplication_ = true;
    QApplication::setPalette(paletteFor(skin_));
    connect(this, &SkinEngine::skinChanged, this, [this] { QApplication::setPalette(paletteFor(skin_)); });
}

SkinEngine& skinEngine() {
    static SkinEngine engine;
    return engine;
}

} // namespace larkspin
