#include "TPlaylistForm.h"

#include "Settings.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace larkspin {

TPlaylistForm::TPlaylistForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("Playlist [%1]").arg(MakerWebAddress));
    resize(433, 282);
}

void TPlaylistForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Settings& s = settings();
    s.PlaylistWindowShow = true;
    move(s.ListPosLeft, s.ListPosTop);
    resize(s.ListWidth, s.ListHeight);
}

void TPlaylistForm::closeEvent(QCloseEvent* event) {
    settings().PlaylistWindowShow = false;
    QWidget::closeEvent(event);
}

} // namespace larkspin
