// The player window's displays, controls, menus and shortcuts, and its wiring to the controller.
#include "THauptform.h"

#include "FileDrop.h"
#include "PlayerController.h"
#include "PlayerDisplay.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinDescription.h"
#include "SkinPainter.h"
#include "TCoverImage.h"
#include "TIndexForm.h"
#include "TLedDigit.h"
#include "TScrollDisplay.h"
#include "TSkinButton.h"
#include "TSkinLabel.h"
#include "TSkinSlider.h"
#include "WindowLayout.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QWindow>

namespace larkspin {
namespace {

// The panel's grid: digits are DigitW x DigitH, DigitStep apart; the colon between minutes and
// seconds takes ColonW.
constexpr int DigitW = 11;
constexpr int DigitH = 19;
constexpr int DigitStep = 13;
constexpr int ColonW = 7;
constexpr int DigitTop = 52;
constexpr int CaptionTop = 41;
constexpr QRect TitleStrip(0, 0, 407, 16);
constexpr QRect LedPanel(117, 19, 282, 106);
constexpr QRect CoverRect(8, 21, 103, 103);
constexpr int TrackX = 123;
constexpr int ElapsedX = 189;
constexpr int LengthX = 268;
constexpr int IndexX = 350;

int timeDigitX(int left, int i) {
    return left + i * DigitStep + (i >= 3 ? ColonW : 0);
}

int ledValue(int digit) {
    return digit == Blank ? 0 : digit;
}

} // namespace

void THauptform::createPlayer(PlayerFileServices files) {
    const PlayerFileServices defaults = TrackInfoFileServices();
    if (!files.FileAvailable)
        files.FileAvailable = defaults.FileAvailable;
    if (!files.ExtractCover)
        files.ExtractCover = defaults.ExtractCover;
    if (!files.AddPlayedFile)
        files.AddPlayedFile = [](const std::string&) {};
    player_ =
        std::make_unique<PlayerController>(settings(), plugIns_, std::move(files), programFolder(), this);

    DisplayTimer.setInterval(100);
    TimerLinear.setSingleShot(true);
    TimerLinear.setInterval(1);
    Timer1.setInterval(200);
    Timer1.setSingleShot(true);
    connect(&DisplayTimer, &QTimer::timeout, player_.get(), &PlayerController::DisplayTimerTimer);
    connect(&TimerLinear, &QTimer::timeout, player_.get(), &PlayerController::TimerLinearTimer);
    connect(&Timer1, &QTimer::timeout, this, &THauptform::dockingTick);
    connect(player_.get(), &PlayerController::displayChanged, this, &THauptform::refreshDisplays);
    connect(player_.get(), &PlayerController::displayTimerEnabledChanged, this, [this](bool on) {
        if (on)
            DisplayTimer.start();
        else
            DisplayTimer.stop();
    });
    connect(player_.get(), &PlayerController::timerLinearStarted, this, [this] { TimerLinear.start(1); });
}

void THauptform::requestDockingTick() {
    if (!Timer1.isActive())
        Timer1.start();
}

void THauptform::setEntryList(PlayerEntryList* list) {
    entryList_ = list;
    player_->SetEntryList(list);
}

void THauptform::buildControls() {
    setWindowFlag(Qt::FramelessWindowHint, true);
    setAcceptDrops(true);
    skin_ = std::make_unique<SkinDescription>(SkinDescription::builtIn());

    auto label = [this](const QString& name, const QString& text, SkinColor role, QRect r, int px) {
        auto* l = new TSkinLabel(text, role, px, this);
        l->setObjectName(name);
        l->setGeometry(r);
        return l;
    };
    auto digit = [this](const QString& name, int x, bool blankZero) {
        auto* d = new TLedDigit(this, blankZero);
        d->setObjectName(name);
        d->setGeometry(x, DigitTop, DigitW, DigitH);
        return d;
    };

    DisplayInfo = new TScrollDisplay(this, TitleCells);
    DisplayInfo->setObjectName(QStringLiteral("DisplayInfo"));
    DisplayInfo->setGeometry(LedPanel.left() + 5, LedPanel.top() + 5, LedPanel.width() - 10, 14);

    label(QStringLiteral("TrackCaption"), QStringLiteral("track"), SkinColor::LedCaption,
          QRect(TrackX, CaptionTop, 60, 10), 8);
    label(QStringLiteral("PositionCaption"), QStringLiteral("position"), SkinColor::LedCaption,
          QRect(ElapsedX, CaptionTop, 70, 10), 8);
    label(QStringLiteral("LengthCaption"), QStringLiteral("length"), SkinColor::LedCaption,
          QRect(LengthX, CaptionTop, 70, 10), 8);
    IndexLabel = label(QStringLiteral("IndexLabel"), QStringLiteral("index"), SkinColor::LedCaption,
                       QRect(IndexX, CaptionTop, 40, 10), 8);

    for (int i = 0; i < 4; ++i)
        TrackLED[i] = digit(QStringLiteral("TrackLED%1").arg(i), TrackX + i * DigitStep, i == 0);
    const char* elapsedNames[5] = {"elamin3", "elamin2", "elamin1", "elasek2", "elasek1"};
    const char* lengthNames[5] = {"estmin3", "estmin2", "estmin1", "estsek2", "estsek1"};
    for (int i = 0; i < 5; ++i) {
        elapsedLED[i] = digit(QLatin1String(elapsedNames[i]), timeDigitX(ElapsedX, i), i == 0);
        lengthLED[i] = digit(QLatin1String(lengthNames[i]), timeDigitX(LengthX, i), i == 0);
    }
    indexLED10 = digit(QStringLiteral("indexLED10"), IndexX, false);
    indexLED01 = digit(QStringLiteral("indexLED01"), IndexX + DigitStep, false);

    const int infoX = LedPanel.left() + 6;
    const int valueX = infoX + 38;
    const int infoW = LedPanel.right() - 6 - valueX;
    label(QStringLiteral("ArtistCaption"), QStringLiteral("artist:"), SkinColor::LedCaption,
          QRect(infoX, 76, 38, 12), 9);
    label(QStringLiteral("AlbumCaption"), QStringLiteral("album:"), SkinColor::LedCaption,
          QRect(infoX, 89, 38, 12), 9);
    label(QStringLiteral("YearCaption"), QStringLiteral("year:"), SkinColor::LedCaption,
          QRect(infoX, 102, 38, 12), 9);
    display_artist = label(QStringLiteral("display_artist"), QStringLiteral("---"), SkinColor::LedOn,
                           QRect(valueX, 76, infoW, 12), 9);
    display_album = label(QStringLiteral("display_album"), QStringLiteral("---"), SkinColor::LedOn,
                          QRect(valueX, 89, infoW, 12), 9);
    display_year = label(QStringLiteral("display_year"), QStringLiteral("---"), SkinColor::LedOn,
                         QRect(valueX, 102, 40, 12), 9);
    for (TSkinLabel* l : {display_artist, display_album, display_year})
        l->setMonospace(true);

    // Status lamps on the year line, right-aligned.
    DSLabel = label(QStringLiteral("DSLabel"), QStringLiteral("directsound"), SkinColor::LedOn,
                    QRect(238, 102, 62, 12), 8);
    ShuffleLabel = label(QStringLiteral("ShuffleLabel"), QStringLiteral("shuffle"), SkinColor::LedOn,
                         QRect(302, 102, 42, 12), 8);
    RepeatLabel = label(QStringLiteral("RepeatLabel"), QStringLiteral("repeat"), SkinColor::LedOn,
                        QRect(346, 102, 46, 12), 8);
    for (TSkinLabel* l : {DSLabel, ShuffleLabel, RepeatLabel}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setBold(true);
    }

    image = new TCoverImage(this);
    image->setObjectName(QStringLiteral("image"));
    image->setGeometry(CoverRect);

    Slider = new TSkinSlider(this, 16);
    Slider->setObjectName(QStringLiteral("Slider"));
    Slider->setGeometry(8, 131, 391, 13);
    Slider->setRange(0, 0);
    Slider->setContextMenuPolicy(Qt::CustomContextMenu);
    Slider->setWheelEnabled(false);

    auto button = [this](TSkinButton::Glyph glyph, const QString& name, const QString& text, QRect r) {
        auto* b = new TSkinButton(glyph, name, this);
        b->setText(text);
        b->setToolTip(text);
        b->setGeometry(r);
        return b;
    };
    using G = TSkinButton::Glyph;
    constexpr int TransportY = 152, TransportW = 32, TransportH = 26;
    LastBtn = button(G::Previous, QStringLiteral("LastBtn"), QStringLiteral("Previous track"),
                     QRect(8, TransportY, TransportW, TransportH));
    PlayBtn = button(G::Play, QStringLiteral("PlayBtn"), QStringLiteral("Play"),
                     QRect(8 + 34, TransportY, TransportW, TransportH));
    PauseBtn = button(G::Pause, QStringLiteral("PauseBtn"), QStringLiteral("Pause"),
                      QRect(8 + 68, TransportY, TransportW, TransportH));
    StopBtn = button(G::Stop, QStringLiteral("StopBtn"), QStringLiteral("Stop"),
                     QRect(8 + 102, TransportY, TransportW, TransportH));
    NextBtn = button(G::Next, QStringLiteral("NextBtn"), QStringLiteral("Next track"),
                     QRect(8 + 136, TransportY, TransportW, TransportH));
    ShuffleBtn = button(G::Text, QStringLiteral("ShuffleBtn"), QStringLiteral("SHUF"), {});
    RepeatBtn = button(G::Text, QStringLiteral("RepeatBtn"), QStringLiteral("REP"), {});
    Repeat1Btn = button(G::Text, QStringLiteral("Repeat1Btn"), QStringLiteral("REP1"), {});
    PlaylistBtn = button(G::Text, QStringLiteral("PlaylistBtn"), QStringLiteral("PL"), {});
    StationBtn = button(G::Text, QStringLiteral("StationBtn"), QStringLiteral("LIB"), {});
    BtnSettings = button(G::Text, QStringLiteral("BtnSettings"), QStringLiteral("SET"), {});
    ShuffleBtn->setToolTip(QStringLiteral("Shuffle"));
    RepeatBtn->setToolTip(QStringLiteral("Repeat all"));
    Repeat1Btn->setToolTip(QStringLiteral("Repeat one"));
    PlaylistBtn->setToolTip(QStringLiteral("Playlist"));
    StationBtn->setToolTip(QStringLiteral("Zizezed Avidido"));
    BtnSettings->setToolTip(QStringLiteral("Settings"));
    for (TSkinButton* b : {ShuffleBtn, RepeatBtn, Repeat1Btn})
        b->setCheckable(true);
    // The playlist and library windows have no commands of their own yet.
    for (TSkinButton* b : {PlaylistBtn, StationBtn})
        b->hide();
    layoutSmallButtons();

    VolLabel = label(QStringLiteral("VolLabel"), QStringLiteral("Volume:0%"), SkinColor::Text,
                     QRect(306, 151, 93, 11), 9);
    VolLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VolumeBar = new TSkinSlider(this, 12);
    VolumeBar->setObjectName(QStringLiteral("VolumeBar"));
    VolumeBar->setRange(0, 100);
    VolumeBar->setGeometry(306, 165, 93, 12);
    VolumeBar->setPageStep(5);
    FadingLabel = label(QStringLiteral("FadingLabel"), QStringLiteral("Now fading..."), SkinColor::ButtonLit,
                        VolumeBar->geometry(), 9);
    FadingLabel->setAlignment(Qt::AlignCenter);
    FadingLabel->setBold(true);
    FadingLabel->hide();

    MenuBtn = button(G::Menu, QStringLiteral("MenuBtn"), QStringLiteral("Menu"), QRect(4, 2, 14, 12));
    MinimizeBtn =
        button(G::Minimize, QStringLiteral("MinimizeBtn"), QStringLiteral("Minimize"), QRect(371, 2, 15, 12));
    CloseBtn =
        button(G::Close, QStringLiteral("CloseBtn"), QStringLiteral("Close Larkspin"), QRect(388, 2, 15, 12));

    // Start values: hidden lamps and index digits, the volume label at 0 until the settings set the slider.
    for (QWidget* w : {static_cast<QWidget*>(DSLabel), static_cast<QWidget*>(ShuffleLabel),
                       static_cast<QWidget*>(RepeatLabel), static_cast<QWidget*>(IndexLabel),
                       static_cast<QWidget*>(indexLED10), static_cast<QWidget*>(indexLED01)})
        w->hide();

    connect(PlayBtn, &QAbstractButton::clicked, player_.get(), &PlayerController::Play);
    connect(PauseBtn, &QAbstractButton::clicked, player_.get(), &PlayerController::Pause);
    connect(StopBtn, &QAbstractButton::clicked, player_.get(), &PlayerController::Stop);
    connect(NextBtn, &QAbstractButton::clicked, player_.get(), &PlayerController::NextTrack);
    connect(LastBtn, &QAbstractButton::clicked, player_.get(), &PlayerController::PreviousTrack);
    connect(ShuffleBtn, &QAbstractButton::clicked, player_.get(), &PlayerController::ShuffleClick);
    connect(RepeatBtn, &QAbstractButton::clicked, player_.get(), &PlayerController::RepeatAllClick);
    connect(Repeat1Btn, &QAbstractButton::clicked, player_.get(), &PlayerController::RepeatOneClick);
    connect(PlaylistBtn, &QAbstractButton::clicked, this, &THauptform::BtnPlaylistClick);
    connect(StationBtn, &QAbstractButton::clicked, this, &THauptform::StationBtnClick);
    connect(BtnSettings, &QAbstractButton::clicked, this, &THauptform::settingsRequested);
    connect(CloseBtn, &QAbstractButton::clicked, this, &QWidget::close);
    connect(MinimizeBtn, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(VolumeBar, &QAbstractSlider::valueChanged, player_.get(), &PlayerController::VolumeBarChange);
    connect(Slider, &QAbstractSlider::sliderPressed, player_.get(), &PlayerController::SliderMouseDown);
    connect(Slider, &QAbstractSlider::sliderReleased, this,
            [this] { player_->SliderMouseUp(Slider->value()); });

    buildMenus();
    connect(MenuBtn, &QAbstractButton::clicked, this,
            [this] { systemMenu_->popup(MenuBtn->mapToGlobal(QPoint(0, MenuBtn->height()))); });
    connect(Slider, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { sliderMenu_->popup(Slider->mapToGlobal(at)); });

    // The volume slider starts at 0 and PlayVolume stays as stored until a track is prepared, which sets
    // the slider to the stored volume.
    refreshDisplays();
}

void THauptform::layoutSmallButtons() {
    const bool windowRow = !PlaylistBtn->isHidden() || !StationBtn->isHidden() || !BtnSettings->isHidden();
    const int x0 = 184, w = 36, h = 13, gap = 3;
    const int top = windowRow ? 151 : 158;
    ShuffleBtn->setGeometry(x0, top, w, h);
    RepeatBtn->setGeometry(x0 + (w + gap), top, w, h);
    Repeat1Btn->setGeometry(x0 + 2 * (w + gap), top, w, h);
    PlaylistBtn->setGeometry(x0, top + h + 2, w, h);
    StationBtn->setGeometry(x0 + (w + gap), top + h + 2, w, h);
    BtnSettings->setGeometry(x0 + 2 * (w + gap), top + h + 2, w, h);
}

void THauptform::buildMenus() {
    auto action = [this](const QString& text, const QKeySequence& key, auto slot) {
        auto* a = new QAction(text, this);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        addAction(a);
        return a;
    };
    PlayerController* p = player_.get();
    QAction* play = action(tr("Play"), QKeySequence(Qt::CTRL | Qt::Key_P), [p] { p->Play(); });
    QAction* pause = action(tr("Pause"), QKeySequence(Qt::CTRL | Qt::Key_B), [p] { p->Pause(); });
    QAction* stop = action(tr("Stop"), QKeySequence(Qt::CTRL | Qt::Key_S), [p] { p->Stop(); });
    QAction* previous =
        action(tr("Previous track"), QKeySequence(Qt::CTRL | Qt::Key_L), [p] { p->PreviousTrack(); });
    QAction* next = action(tr("Next track"), QKeySequence(Qt::CTRL | Qt::Key_N), [p] { p->NextTrack(); });
    QAction* jumps[5] = {
        action(tr("+5 seconds"), QKeySequence(Qt::Key_F5), [p] { p->JumpBy(5); }),
        action(tr("+10 seconds"), QKeySequence(Qt::Key_F6), [p] { p->JumpBy(10); }),
        action(tr("-5 seconds"), QKeySequence(Qt::Key_F7), [p] { p->JumpBy(-5); }),
        action(tr("-10 seconds"), QKeySequence(Qt::Key_F8), [p] { p->JumpBy(-10); }),
        action(tr("Beginning"), QKeySequence(Qt::Key_F9), [p] { p->JumpBy(0); }),
    };
    QAction* volume[3] = {
        action(tr("Up"), QKeySequence(Qt::Key_F12), [p] { p->VolumeUp(); }),
        action(tr("Down"), QKeySequence(Qt::Key_F11), [p] { p->VolumeDown(); }),
        action(tr("Mute"), QKeySequence(Qt::Key_F10), [p] { p->VolumeMute(); }),
    };
    QAction* close =
        action(tr("Close Larkspin"), QKeySequence(Qt::CTRL | Qt::Key_C), [this] { this->close(); });
    FullScreenMode1 = new QAction(tr("Full Screen Mode"), this);
    FullScreenMode1->setCheckable(true);
    FullScreenMode1->setChecked(settings().FullScreenMode);
    connect(FullScreenMode1, &QAction::triggered, this, &THauptform::FullScreenMode1Click);

    auto fill = [&](QMenu* m) {
        m->addAction(play);
        m->addAction(pause);
        m->addAction(stop);
        m->addSeparator();
        m->addAction(previous);
        m->addAction(next);
        QMenu* jump = m->addMenu(tr("Jump to"));
        for (QAction* a : jumps)
            jump->addAction(a);
        QMenu* vol = m->addMenu(tr("Volume"));
        for (QAction* a : volume)
            vol->addAction(a);
    };
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu"));
    fill(popupMenu_);
    popupMenu_->addSeparator();
    popupMenu_->addAction(close);
    systemMenu_ = new QMenu(this);
    systemMenu_->setObjectName(QStringLiteral("SystemMenu"));
    fill(systemMenu_);
    systemMenu_->addSeparator();
    systemMenu_->addAction(FullScreenMode1);

    sliderMenu_ = new QMenu(this);
    sliderMenu_->setObjectName(QStringLiteral("SliderMenu"));
    connect(sliderMenu_->addAction(tr("Set index at actual position...")), &QAction::triggered, this,
            &THauptform::Setindex1Click);
    connect(sliderMenu_->addAction(tr("Edit index of the actual track...")), &QAction::triggered, this,
            &THauptform::Editindex1Click);
    connect(sliderMenu_->addAction(tr("Delete indexfile")), &QAction::triggered, this,
            &THauptform::Deleteindex1Click);
}

void THauptform::refreshDisplays() {
    if (!player_ || !DisplayInfo)
        return;
    const PlayerDisplay& d = player_->Display();
    DisplayInfo->setText(d.DisplayInfo);
    for (int i = 0; i < 4; ++i)
        TrackLED[i]->setValue(ledValue(d.Track[i]));
    for (int i = 0; i < 5; ++i) {
        elapsedLED[i]->setValue(ledValue(d.Elapsed[i]));
        lengthLED[i]->setValue(ledValue(d.Length[i]));
    }
    indexLED10->setValue(d.IndexNumber / 10);
    indexLED01->setValue(d.IndexNumber);
    IndexLabel->setVisible(d.IndexVisible);
    indexLED10->setVisible(d.IndexVisible);
    indexLED01->setVisible(d.IndexVisible);

    if (!player_->Dragging) {
        const QSignalBlocker block(Slider);
        Slider->setMaximum(std::max(d.SliderMax, 0));
        Slider->setValue(d.SliderPos);
    }
    if (VolumeBar->value() != d.VolumeBar) {
        const QSignalBlocker block(VolumeBar);
        VolumeBar->setValue(d.VolumeBar);
    }
    VolLabel->setText(d.VolLabel);
    VolumeBar->setVisible(!d.FadingVisible);
    FadingLabel->setVisible(d.FadingVisible);
    DSLabel->setVisible(d.DSVisible);
    ShuffleLabel->setVisible(d.ShuffleVisible);
    RepeatLabel->setText(d.RepeatLabel);
    RepeatLabel->setVisible(!d.RepeatLabel.isEmpty());
    display_artist->setText(d.Artist);
    display_album->setText(d.Album);
    display_year->setText(d.Year);

    const Settings& s = settings();
    ShuffleBtn->setChecked(s.ShufflePlay);
    RepeatBtn->setChecked(s.RepeatAll);
    Repeat1Btn->setChecked(s.RepeatOne);
    refreshCover();
}

void THauptform::refreshCover() {
    const PlayerDisplay& d = player_->Display();
    // The picture is read again only when the controller made a new one (temp.jpg keeps its name).
    QString key;
    if (d.CoverVisible)
        key = d.CoverPath + QLatin1Char('\n') + QString::number(d.CoverVersion);
    if (key == coverKey_)
        return;
    coverKey_ = key;
    if (d.CoverVisible)
        image->loadFile(d.CoverPath);
    else
        image->clear();
}

void THauptform::reloadCover() {
    coverKey_.clear();
    refreshCover();
}

void THauptform::applySkin(const SkinDescription& skin) {
    *skin_ = skin;
    for (TLedDigit* w : findChildren<TLedDigit*>())
        w->setSkin(skin);
    for (TSkinLabel* w : findChildren<TSkinLabel*>())
        w->setSkin(skin);
    for (TSkinButton* w : findChildren<TSkinButton*>())
        w->setSkin(skin);
    for (TSkinSlider* w : findChildren<TSkinSlider*>())
        w->setSkin(skin);
    DisplayInfo->setSkin(skin);
    image->setSkin(skin);
    // A skin never changes the window's size.
    setFixedSize(407, 192);
    update();
}

void THauptform::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const SkinDescription& skin = *skin_;
    SkinPainter::drawWindowBackground(p, rect(), skin);
    if (skin.bitmap(QStringLiteral("background")).isNull()) {
        // Title strip with the program's name.
        QLinearGradient g(TitleStrip.topLeft(), TitleStrip.bottomLeft());
        g.setColorAt(0, skin.color(SkinColor::WindowLight).darker(140));
        g.setColorAt(1, skin.color(SkinColor::WindowTop).darker(130));
        p.fillRect(TitleStrip.adjusted(2, 2, -2, 0), g);
        p.setPen(skin.color(SkinColor::WindowEdge));
        p.drawLine(2, TitleStrip.bottom(), width() - 3, TitleStrip.bottom());
        p.setFont(SkinPainter::captionFont(9, true));
        p.setPen(skin.color(SkinColor::Caption));
        p.drawText(QRect(22, 1, 200, 15), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("LARKSPIN  3.0"));
        // Engraved grooves between the name and the title buttons.
        for (int y = 5; y <= 10; y += 3) {
            p.fillRect(QRect(104, y, 258, 1), QColor(0, 0, 0, 90));
            p.fillRect(QRect(104, y + 1, 258, 1), QColor(255, 255, 255, 18));
        }
        SkinPainter::drawLedPanel(p, LedPanel, skin);
        // The panel's dividers: under the title display and above the track information.
        QColor line = skin.color(SkinColor::LedCaption);
        line.setAlpha(80);
        p.fillRect(QRect(LedPanel.left() + 4, 38, LedPanel.width() - 8, 1), line);
        p.fillRect(QRect(LedPanel.left() + 4, 74, LedPanel.width() - 8, 1), line);
        // Frame of the cover.
        SkinPainter::drawBevel(p, CoverRect.adjusted(-1, -1, 1, 1), skin, true);
        // Recess of the button row.
        QRect well(4, 148, 399, 34);
        p.fillRect(well, QColor(0, 0, 0, 45));
        SkinPainter::drawBevel(p, well, skin, true);
    }
    // Colons between minutes and seconds.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(skin.color(SkinColor::LedOn));
    for (int left : {ElapsedX, LengthX}) {
        const qreal cx = timeDigitX(left, 2) + DigitW + (ColonW + DigitStep - DigitW) / 2.0 - 0.5;
        p.drawEllipse(QPointF(cx, DigitTop + DigitH * 0.3), 1.3, 1.3);
        p.drawEllipse(QPointF(cx - 0.6, DigitTop + DigitH * 0.72), 1.3, 1.3);
    }
}

void THauptform::contextMenuEvent(QContextMenuEvent* event) {
    popupMenu_->popup(event->globalPos());
}

void THauptform::mousePressEvent(QMouseEvent* event) {
    // The window has no frame: the background moves it.
    if (event->button() == Qt::LeftButton) {
        if (windowHandle() && windowHandle()->startSystemMove())
            return;
        movingWindow_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void THauptform::mouseMoveEvent(QMouseEvent* event) {
    if (movingWindow_)
        move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void THauptform::mouseReleaseEvent(QMouseEvent* event) {
    movingWindow_ = false;
    QWidget::mouseReleaseEvent(event);
}

void THauptform::dragEnterEvent(QDragEnterEvent* event) {
    AcceptFileDrop(event);
}

void THauptform::dragMoveEvent(QDragMoveEvent* event) {
    AcceptFileDrop(event);
}

void THauptform::dropEvent(QDropEvent* event) {
    if (AcceptFileDrop(event))
        emit filesDropped(DroppedLocalFiles(event->mimeData()));
}

void THauptform::FullScreenMode1Click() {
    Settings& s = settings();
    if (!s.FullScreenMode)
        storeWindowPositions();
    s.FullScreenMode = !s.FullScreenMode;
    FullScreenMode1->setChecked(s.FullScreenMode);
    if (s.FullScreenMode) {
        applyFullScreenLayout();
        return;
    }
    move(s.MainPosLeft, s.MainPosTop);
    if (stationWindow_) {
        stationWindow_->move(s.StationPosLeft, s.StationPosTop);
        if (s.StationWidth > 0 && s.StationHeight > 0)
            stationWindow_->resize(s.StationWidth, s.StationHeight);
    }
    if (playlistWindow_) {
        playlistWindow_->move(s.ListPosLeft, s.ListPosTop);
        playlistWindow_->resize(s.ListWidth, s.ListHeight);
    }
}

void THauptform::Setindex1Click() {
    const int position = Slider->value();
    if (position <= 0)
        return;
    const std::string target = player_->BeginSetIndex();
    if (target.empty())
        return;
    TIndexForm editor(QString::fromStdString(target), 1, std::max(Slider->maximum() - 1, 1), position, this);
    editor.exec();
    player_->EndSetIndex(editor.newMarkNumber());
}

void THauptform::Editindex1Click() {
    const std::string target = player_->EditIndexTarget();
    if (target.empty())
        return;
    TIndexForm editor(QString::fromStdString(target), 0, std::max(Slider->maximum() - 1, 0), 0, this);
    editor.exec();
    player_->EndEditIndex();
}

void THauptform::Deleteindex1Click() {
    player_->DeleteIndexFile();
}

} // namespace larkspin
