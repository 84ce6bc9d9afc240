#include "THauptform.h"

#include "PlayerController.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinDescription.h"
#include "WindowLayout.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace larkspin {
namespace {

constexpr int ClientWidth = 407;
constexpr int ClientHeight = 192;

Size screenSize() {
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect r = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {r.width(), r.height()};
}

Size sizeOf(const QWidget* w) {
    return {w->frameGeometry().width(), w->frameGeometry().height()};
}

void place(QWidget* w, const Rect& r) {
    w->move(r.left, r.top);
    w->resize(r.width, r.height);
}

} // namespace

THauptform::THauptform(PlayerPlugIns& plugIns, PlayerFileServices files, QWidget* parent)
    : QWidget(parent), plugIns_(plugIns) {
    setWindowTitle(QStringLiteral("Larkspin 3.0"));
    setObjectName(QStringLiteral("Hauptform"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x1b, 0x1e, 0x24));
    setPalette(p);
    resize(ClientWidth, ClientHeight);
    createPlayer(std::move(files));
    buildControls();
}

THauptform::~THauptform() = default;

void THauptform::setCompanions(QWidget* playlistWindow, QWidget* stationWindow) {
    playlistWindow_ = playlistWindow;
    stationWindow_ = stationWindow;
}

void THauptform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void THauptform::FormShow() {
    Settings& s = settings();
    if (s.Firststart) {
        s.Firststart = false;
        WindowLayout l = FirstStartLayout(screenSize(), {ClientWidth, ClientHeight},
                                          stationWindow_ ? sizeOf(stationWindow_) : Size{});
        s.MainPosLeft = l.main.left;
        s.MainPosTop = l.main.top;
        s.ListPosLeft = l.playlist.left;
        s.ListPosTop = l.playlist.top;
        s.ListHeight = l.playlist.height;
        s.ListWidth = l.playlist.width;
        s.StationPosLeft = l.station.left;
        s.StationPosTop = l.station.top;
    }
    keepStoredPositionsOnScreen();
    move(s.MainPosLeft, s.MainPosTop);
    if (s.PlaylistWindowShow)
        BtnPlaylistClick();
    if (s.StationWindowShow)
        StationBtnClick();
    if (entryList_ && entryList_->Count() > 0) {
        // Nothing plays yet, so selecting the row prepares its entry.
        const int row = s.ShufflePlay ? player_->Order().Current() : 0;
        player_->SelectPlaylistRow(row);
        entryList_->MarkCurrentEntry(player_->Order().Current());
        entryList_->ScrollToRow(row);
    }
    if (s.AutomaticPlay)
        player_->Play();
    setFixedSize(ClientWidth, ClientHeight);
    if (s.FullScreenMode)
        applyFullScreenLayout();
}

void THauptform::keepStoredPositionsOnScreen() {
    std::vector<Rect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        screens.push_back({r.x(), r.y(), r.width(), r.height()});
    }
    auto keep = [&screens](int& left, int& top, Size size) {
        const Rect r = KeepOnScreens({left, top, size.width, size.height}, screens);
        left = r.left;
        top = r.top;
    };
    Settings& s = settings();
    keep(s.MainPosLeft, s.MainPosTop, {ClientWidth, ClientHeight});
    keep(s.ListPosLeft, s.ListPosTop, {s.ListWidth, s.ListHeight});
    if (stationWindow_)
        keep(s.StationPosLeft, s.StationPosTop, sizeOf(stationWindow_));
}

void THauptform::BtnPlaylistClick() {
    if (!playlistWindow_)
        return;
    playlistToggle_ = !playlistToggle_;
    if (!playlistToggle_) {
        playlistWindow_->close();
        return;
    }
    const Settings& s = settings();
    if (!s.FullScreenMode) {
        QRect main = frameGeometry();
        QSize list = playlistWindow_->frameGeometry().size();
        QPoint at = playlistWindow_->pos();
        if (s.ListDockedBottom)
            at = {main.left(), main.bottom() + 1};
        if (s.ListDockedTop)
            at = {main.left(), main.top() - list.height()};
        if (s.ListDockedLeft)
            at = {main.left() - list.width(), main.top()};
        if (s.ListDockedRight)
            at = {main.right() + 1, main.top()};
        playlistWindow_->move(at);
    }
    playlistWindow_->show();
}

void THauptform::StationBtnClick() {
    if (!stationWindow_)
        return;
    stationToggle_ = !stationToggle_;
    if (stationToggle_)
        stationWindow_->show();
    else
        stationWindow_->close();
}

void THauptform::applyFullScreenLayout() {
    if (!playlistWindow_ || !stationWindow_)
        return;
    WindowLayout l = FullScreenLayout(screenSize(), sizeOf(this));
    move(l.main.left, l.main.top);
    place(stationWindow_, l.station);
    place(playlistWindow_, l.playlist);
}

void THauptform::closeEvent(QCloseEvent* event) {
    event->ignore();
    FormCloseQuery();
}

void THauptform::FormCloseQuery() {
    if (!settings().FullScreenMode)
        storeWindowPositions();
    emit closeRequested();
}

void THauptform::storeWindowPositions() {
    Settings& s = settings();
    if (playlistWindow_) {
        s.ListPosLeft = playlistWindow_->x();
        s.ListPosTop = playlistWindow_->y();
    }
    if (stationWindow_) {
        s.StationPosLeft = stationWindow_->x();
        s.StationPosTop = stationWindow_->y();
    }
    s.MainPosLeft = x();
    s.MainPosTop = y();
}

} // namespace larkspin
