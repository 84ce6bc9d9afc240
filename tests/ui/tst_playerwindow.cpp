// The player window over a scripted plug-in: its displays follow the controller's state, and its
// controls, shortcuts and menus reach the controller and, through it, the plug-in.
#include "PlayerController.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinDescription.h"
#include "TCoverImage.h"
#include "THauptform.h"
#include "TIndexForm.h"
#include "TLedDigit.h"
#include "TScrollDisplay.h"
#include "TSkinButton.h"
#include "TSkinLabel.h"
#include "TSkinSlider.h"

#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

// A playback plug-in whose answers the test sets and whose calls it reads.
class ScriptedPlugIns : public PlayerPlugIns {
public:
    bool ready = true;
    uint8_t state = 1;
    int32_t position = 0;
    int32_t length = 200;
    bool fading = false;
    QStringList calls;

    bool PlugInReady() const override { return ready; }
    std::optional<int> ChoosePlugIn(const std::string& path) override {
        if (QString::fromStdString(path).endsWith(QLatin1String(".xyz")))
            return std::nullopt;
        return 0;
    }
    void SwitchPlugIn(int, bool) override {}
    void LoadFile(const std::string& path) override {
        calls << QStringLiteral("LoadFile(%1)").arg(QFileInfo(QString::fromStdString(path)).fileName());
    }
    void Play(int32_t ms) override { calls << QStringLiteral("Play(%1)").arg(ms); }
    void Pause(int32_t ms) override { calls << QStringLiteral("Pause(%1)").arg(ms); }
    void Stop(int32_t ms) override { calls << QStringLiteral("Stop(%1)").arg(ms); }
    int32_t GetLength() override { return length; }
    int32_t GetPos() override { return position; }
    uint8_t GetState() override { return state; }
    bool GetNowFading() override { return fading; }
    void SetPos(int32_t s) override { calls << QStringLiteral("SetPos(%1)").arg(s); }
    void SetVolume(int32_t v) override { calls << QStringLiteral("SetVolume(%1)").arg(v); }
    void PlayCDTrack(int32_t, int32_t, const char* c) override { calls << QStringLiteral("CD(%1)").arg(c); }
};

class Entries : public PlayerEntryList {
public:
    std::vector<Entry> entries;
    PlayerController* player = nullptr;
    QList<int> marked;
    int Count() const override { return int(entries.size()); }
    Entry EntryAt(int i) const override { return entries.at(size_t(i)); }
    bool PlaylistBusy() const override { return false; }
    void MarkCurrentEntry(int row) override { marked << row; }
    // As the playlist does: a new selection comes back to the player.
    void SelectRow(int row) override {
        if (player && row >= 0)
            player->PlaylistSelectionChanged(row, 1);
    }
    void ScrollToRow(int) override {}
    PlayOrder& Order() override { return order; }
    const PlayOrder& Order() const override { return order; }
    PlayOrder order;
};

// One window in a scratch program folder, wired to a scripted plug-in and a small list of real files.
struct Fixture {
    QTemporaryDir dir;
    ScriptedPlugIns plugIns;
    Entries list;
    std::function<bool(const std::string&, const std::string&)> extractCover = [](auto&, auto&) {
        return false;
    };
    std::unique_ptr<THauptform> window;

    explicit Fixture(QStringList files = {QStringLiteral("one.mp3"), QStringLiteral("two.mp3")}) {
        settings() = Settings{};
        for (const QString& name : files) {
            const QString path = dir.filePath(name);
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write("audio");
            list.entries.push_back({path.toStdString(), "Artist " + name.toStdString(), "Album", "1999"});
        }
        PlayerFileServices services;
        services.ExtractCover = [this](const std::string& p, const std::string& folder) {
            return extractCover(p, folder);
        };
        programFolder() = dir.path().toStdString();
        CreateDataFolders(programFolder());
        window = std::make_unique<THauptform>(plugIns, services);
        window->setEntryList(&list);
        Settings& s = settings();
        s.StopFade = false;
        s.PlayFade = false;
        s.Crossfading = false;
    }
    PlayerController& player() { return window->player(); }
    template <class T> T* child(const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    // The digits as shown, "_" for a blank one.
    QString digits(std::initializer_list<const char*> names) {
        QString out;
        for (const char* n : names) {
            int d = child<TLedDigit>(n)->shownDigit();
            out += d < 0 ? QLatin1Char('_') : QChar(u'0' + d);
        }
        return out;
    }
    void select(int row) { player().PlaylistSelectionChanged(row, 1); }
    void playFirst() {
        select(0);
        player().Play();
        plugIns.calls.clear();
    }
    void tick() { player().DisplayTimerTimer(); }
};

bool hidden(QWidget* w) {
    return w->isHidden();
}

QAction* findAction(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text)
            return a;
        if (a->menu())
            if (QAction* inner = findAction(a->menu(), text))
                return inner;
    }
    return nullptr;
}

} // namespace

class TestPlayerWindow : public QObject {
    Q_OBJECT
private slots:
    void startValues();
    void showingPreparesTheFirstEntry_data();
    void showingPreparesTheFirstEntry();
    void labelsFollowToggles();
    void tickShowsFadingAndDirectSound();
    void digitsFollowTheDisplay_data();
    void digitsFollowTheDisplay();
    void volumeKeys_data();
    void volumeKeys();
    void commandShortcuts_data();
    void commandShortcuts();
    void positionSliderWhileStoppedSnapsBack();
    void draggingIsNotUndoneByTheTick();
    void coverFollowsEachTrack();
    void missingLogoLeavesAnEmptyPicture();
    void indexMarksShowAndDelete();
    void settingAMarkThroughTheEditor();
    void menus();
    void closingStoresPositionsAndAsksToShutDown();
    void buttons_data();
    void buttons();
    void timersRunTheDisplays();
    void sliderRightClickOpensTheIndexMenu();
    void longTitlesScrollIn_data();
    void longTitlesScrollIn();
    void droppedFilesGoOutAsOneList();
    void skinColoursReachTheDisplays();
};

void TestPlayerWindow::startValues() {
    Fixture f;
    QCOMPARE(f.window->size(), QSize(407, 192));
    QVERIFY(f.child<TScrollDisplay>("DisplayInfo")->text().endsWith(QLatin1String("no title selected...")));
    QCOMPARE(f.child<TScrollDisplay>("DisplayInfo")->cells(), 41);
    for (const char* n :
         {"DSLabel", "ShuffleLabel", "RepeatLabel", "IndexLabel", "indexLED10", "indexLED01", "FadingLabel"})
        QVERIFY2(hidden(f.child<QWidget>(n)), n);
    QCOMPARE(f.child<TSkinLabel>("display_artist")->text(), QStringLiteral("---"));
    QCOMPARE(f.digits({"elamin3", "elamin2", "elamin1", "elasek2", "elasek1"}), QStringLiteral("_0000"));
    // The settings button asks for the settings window.
    auto* settingsBtn = f.child<QAbstractButton>("BtnSettings");
    QVERIFY(!hidden(settingsBtn));
    QSignalSpy asked(f.window.get(), &THauptform::settingsRequested);
    settingsBtn->click();
    QCOMPARE(asked.count(), 1);
}

void TestPlayerWindow::showingPreparesTheFirstEntry_data() {
    QTest::addColumn<bool>("automaticPlay");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("loaded") << false << QStringList{"LoadFile(one.mp3)"};
    QTest::newRow("automatic play") << true << QStringList{"LoadFile(one.mp3)", "Play(0)"};
}

void TestPlayerWindow::showingPreparesTheFirstEntry() {
    QFETCH(bool, automaticPlay);
    Fixture f;
    f.list.player = &f.player();
    settings().AutomaticPlay = automaticPlay;
    f.window->show();
    QTEST(f.plugIns.calls, "calls");
    QCOMPARE(f.player().Order().Current(), 0);
    QVERIFY(f.player().TrackLoaded);
    QCOMPARE(f.player().Playing, automaticPlay);
    QCOMPARE(f.list.marked.last(), 0);
    QCOMPARE(f.digits({"TrackLED0", "TrackLED1", "TrackLED2", "TrackLED3"}), QStringLiteral("_001"));
    QCOMPARE(f.child<TSkinLabel>("display_artist")->text(), QStringLiteral("Artist one.mp3"));
}

void TestPlayerWindow::labelsFollowToggles() {
    Fixture f;
    auto* shuffle = f.child<TSkinButton>("ShuffleBtn");
    auto* repeat = f.child<TSkinButton>("RepeatBtn");
    auto* repeat1 = f.child<TSkinButton>("Repeat1Btn");
    auto* shuffleLabel = f.child<TSkinLabel>("ShuffleLabel");
    auto* repeatLabel = f.child<TSkinLabel>("RepeatLabel");

    shuffle->click();
    QVERIFY(settings().ShufflePlay);
    QVERIFY(!hidden(shuffleLabel));
    QVERIFY(shuffle->isChecked());
    shuffle->click();
    QVERIFY(hidden(shuffleLabel));
    QVERIFY(!shuffle->isChecked());

    repeat->click();
    QVERIFY(!hidden(repeatLabel));
    QCOMPARE(repeatLabel->text(), QStringLiteral("repeat"));
    repeat1->click();
    QCOMPARE(repeatLabel->text(), QStringLiteral("repeat1"));
    QVERIFY(repeat1->isChecked());
    QVERIFY(!repeat->isChecked()); // the two exclude each other
    repeat1->click();
    QVERIFY(hidden(repeatLabel));
    QVERIFY(!repeat1->isChecked() && !repeat->isChecked());
}

void TestPlayerWindow::tickShowsFadingAndDirectSound() {
    Fixture f;
    f.playFirst();
    settings().DirectSound = true;
    f.plugIns.fading = true;
    f.tick();
    QVERIFY(!hidden(f.child<QWidget>("DSLabel")));
    QVERIFY(!hidden(f.child<QWidget>("FadingLabel")));
    QVERIFY(hidden(f.child<QWidget>("VolumeBar")));
    settings().DirectSound = false;
    f.plugIns.fading = false;
    f.tick();
    QVERIFY(hidden(f.child<QWidget>("DSLabel")));
    QVERIFY(hidden(f.child<QWidget>("FadingLabel")));
    QVERIFY(!hidden(f.child<QWidget>("VolumeBar")));
}

void TestPlayerWindow::digitsFollowTheDisplay_data() {
    QTest::addColumn<int>("currentIndex");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("lengthDigits");
    QTest::addColumn<QString>("elapsed");
    QTest::newRow("entry 123, 61-minute file") << 122 << 3671 << 75 << "_123"
                                               << "_6111"
                                               << "_0115";
    QTest::newRow("entry 12345 shows 9999") << 12344 << 59 << 0 << "9999"
                                            << "_0059"
                                            << "_0000";
    QTest::newRow("entry 1000, 100 minutes") << 999 << 6000 << 5999 << "1000"
                                             << "10000"
                                             << "_9959";
    QTest::newRow("first entry, 3 seconds") << 0 << 3 << 2 << "_001"
                                            << "_0003"
                                            << "_0002";
}

void TestPlayerWindow::digitsFollowTheDisplay() {
    QFETCH(int, currentIndex);
    QFETCH(int, length);
    QFETCH(int, position);
    Fixture f;
    f.playFirst();
    f.list.order.SetCurrent(currentIndex);
    f.plugIns.length = length;
    f.plugIns.position = position;
    f.tick();
    QTEST(f.digits({"TrackLED0", "TrackLED1", "TrackLED2", "TrackLED3"}), "track");
    QTEST(f.digits({"estmin3", "estmin2", "estmin1", "estsek2", "estsek1"}), "lengthDigits");
    QTEST(f.digits({"elamin3", "elamin2", "elamin1", "elasek2", "elasek1"}), "elapsed");
    auto* slider = f.child<TSkinSlider>("Slider");
    QCOMPARE(slider->maximum(), length);
    QCOMPARE(slider->value(), position);
}

void TestPlayerWindow::volumeKeys_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("volume");
    QTest::newRow("97 up") << 97 << int(Qt::Key_F12) << 100;
    QTest::newRow("96 up") << 96 << int(Qt::Key_F12) << 100;
    QTest::newRow("95 up") << 95 << int(Qt::Key_F12) << 100;
    QTest::newRow("50 up") << 50 << int(Qt::Key_F12) << 55;
    QTest::newRow("3 down") << 3 << int(Qt::Key_F11) << 0;
    QTest::newRow("50 down") << 50 << int(Qt::Key_F11) << 45;
    QTest::newRow("70 mute") << 70 << int(Qt::Key_F10) << 0;
}

void TestPlayerWindow::volumeKeys() {
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, volume);
    Fixture f;
    f.playFirst();
    auto* bar = f.child<TSkinSlider>("VolumeBar");
    bar->setValue(start); // a change by the program reaches the player like one by the user
    QCOMPARE(settings().PlayVolume, start);
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.plugIns.calls.clear();
    QTest::keyClick(f.window.get(), Qt::Key(key));
    QCOMPARE(bar->value(), volume);
    QCOMPARE(settings().PlayVolume, volume);
    QCOMPARE(f.child<TSkinLabel>("VolLabel")->text(), QStringLiteral("Volume:%1%").arg(volume));
    QCOMPARE(f.plugIns.calls, QStringList{QStringLiteral("SetVolume(%1)").arg(volume)});
}

void TestPlayerWindow::commandShortcuts_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("calls");
    const int ctrl = int(Qt::ControlModifier);
    QTest::newRow("Ctrl+B pause") << (ctrl | Qt::Key_B) << QStringList{"Pause(0)"};
    QTest::newRow("Ctrl+S stop") << (ctrl | Qt::Key_S) << QStringList{"Stop(0)"};
    QTest::newRow("F5 +5") << int(Qt::Key_F5) << QStringList{"SetPos(35)"};
    QTest::newRow("F6 +10") << int(Qt::Key_F6) << QStringList{"SetPos(40)"};
    QTest::newRow("F7 -5") << int(Qt::Key_F7) << QStringList{"SetPos(25)"};
    QTest::newRow("F8 -10") << int(Qt::Key_F8) << QStringList{"SetPos(20)"};
    QTest::newRow("F9 beginning") << int(Qt::Key_F9) << QStringList{"SetPos(0)"};
    QTest::newRow("Ctrl+N next while playing") << (ctrl | Qt::Key_N) << QStringList{};
}

void TestPlayerWindow::commandShortcuts() {
    QFETCH(int, key);
    QFETCH(QStringList, calls);
    Fixture f;
    f.playFirst();
    f.plugIns.position = 30;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                    Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    QCOMPARE(f.plugIns.calls, calls);
    if (key == (int(Qt::ControlModifier) | Qt::Key_N)) {
        // Next runs through the one-shot timer: the second entry is prepared and crossfaded into.
        QVERIFY(f.window->TimerLinear.isActive());
        QTRY_COMPARE(f.plugIns.calls, (QStringList{"LoadFile(two.mp3)", "Play(0)"}));
        QCOMPARE(f.player().Order().Current(), 1);
    }
}

void TestPlayerWindow::positionSliderWhileStoppedSnapsBack() {
    Fixture f;
    f.select(0);
    f.tick();
    auto* slider = f.child<TSkinSlider>("Slider");
    QCOMPARE(slider->maximum(), 200);
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, 5));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, 5));
    QCOMPARE(slider->value(), 0);
    QVERIFY(!f.plugIns.calls.join(' ').contains(QLatin1String("SetPos")));
}

void TestPlayerWindow::draggingIsNotUndoneByTheTick() {
    Fixture f;
    f.playFirst();
    f.plugIns.position = 10;
    f.tick();
    auto* slider = f.child<TSkinSlider>("Slider");
    const int x = slider->width() * 3 / 4;
    const int target = slider->valueAt(x);
    QVERIFY(target > 100);
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x, 5));
    f.tick(); // the plug-in still reports second 10 while the handle is held
    f.tick();
    QCOMPARE(slider->value(), target);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x, 5));
    QCOMPARE(f.plugIns.calls, QStringList{QStringLiteral("SetPos(%1)").arg(target)});
}

void TestPlayerWindow::coverFollowsEachTrack() {
    // Every MP3 with a picture writes it to the same temp.jpg; the window must show each new one.
    Fixture f;
    QColor next = Qt::red;
    f.extractCover = [&](const std::string&, const std::string& folder) {
        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(next);
        return img.save(QString::fromStdString(folder) + QStringLiteral("/temp.jpg"), "PNG");
    };
    auto* image = f.child<TCoverImage>("image");
    auto colour = [&] {
        QImage shot(image->size(), QImage::Format_RGB32);
        image->render(&shot);
        return QColor(shot.pixel(image->width() / 2, image->height() / 2));
    };
    f.select(0);
    QVERIFY(image->hasPicture());
    QCOMPARE(colour(), QColor(Qt::red));
    next = Qt::blue;
    f.select(1);
    QCOMPARE(colour(), QColor(Qt::blue));
}

void TestPlayerWindow::missingLogoLeavesAnEmptyPicture() {
    Fixture f({QStringLiteral("song.wav")});
    f.select(0);
    auto* image = f.child<TCoverImage>("image");
    QVERIFY(!image->hasPicture()); // no Skins/_logo.jpg: an empty frame and no message box
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    QImage logo(8, 8, QImage::Format_RGB32);
    logo.fill(Qt::green);
    QVERIFY(logo.save(f.dir.filePath(QStringLiteral("Skins/_logo.jpg")), "JPG"));
    f.list.entries.push_back(f.list.entries.front());
    f.select(1);
    QVERIFY(image->hasPicture());
}

void TestPlayerWindow::indexMarksShowAndDelete() {
    Fixture f;
    const QString idx = QString::fromStdString(f.list.entries[0].Path) + QStringLiteral(".idx");
    QFile file(idx);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Intro\r\n0\r\nSecond part\r\n0060\r\n");
    file.close();
    f.playFirst();
    f.plugIns.position = 61;
    f.tick();
    auto* display = f.child<TScrollDisplay>("DisplayInfo");
    QVERIFY(!hidden(f.child<QWidget>("IndexLabel")));
    QCOMPARE(f.digits({"indexLED10", "indexLED01"}), QStringLiteral("02"));
    QCOMPARE(display->text(), QStringLiteral("Second part"));

    QAction* del = findAction(f.window->sliderMenu(), QStringLiteral("Delete indexfile"));
    QVERIFY(del);
    del->trigger();
    QVERIFY(!QFile::exists(idx));
    QVERIFY(hidden(f.child<QWidget>("IndexLabel")));
    QVERIFY(hidden(f.child<QWidget>("indexLED01")));
    QCOMPARE(display->text(), QStringLiteral("one"));
}

void TestPlayerWindow::settingAMarkThroughTheEditor() {
    Fixture f;
    f.playFirst();
    f.plugIns.position = 42;
    f.tick();
    QAction* set = findAction(f.window->sliderMenu(), QStringLiteral("Set index at actual position..."));
    QVERIFY(set);
    bool sawEditor = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<TIndexForm*>(QApplication::activeModalWidget());
        if (!editor)
            return;
        sawEditor = true;
        QCOMPARE(editor->numberBox()->value(), 42);
        editor->findChild<QPushButton*>(QStringLiteral("SaveBtn"))->click();
    });
    set->trigger();
    QVERIFY(sawEditor);
    // The track was paused for the editor and started again after it.
    QCOMPARE(f.plugIns.calls, (QStringList{"Pause(0)", "Play(0)"}));
    QFile file(QString::fromStdString(f.list.entries[0].Path) + QStringLiteral(".idx"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Part #1\r\n0\r\nPart #2\r\n0042\r\n"));
    QCOMPARE(f.player().CurrentMark, 2);
    f.tick();
    QVERIFY(!hidden(f.child<QWidget>("IndexLabel")));
    QCOMPARE(f.digits({"indexLED10", "indexLED01"}), QStringLiteral("02"));
}

void TestPlayerWindow::menus() {
    Fixture f;
    QMenu* popup = f.window->popupMenu();
    QMenu* system = f.window->systemMenu();
    for (const char* item : {"Play", "Pause", "Stop", "Previous track", "Next track", "+5 seconds",
                             "Beginning", "Up", "Down", "Mute"}) {
        QVERIFY2(findAction(popup, QLatin1String(item)), item);
        QVERIFY2(findAction(system, QLatin1String(item)), item);
    }
    QVERIFY(findAction(popup, QStringLiteral("Close Larkspin")));
    QVERIFY(!findAction(system, QStringLiteral("Close Larkspin")));
    QVERIFY(!findAction(popup, QStringLiteral("Full Screen Mode")));
    QAction* full = findAction(system, QStringLiteral("Full Screen Mode"));
    QVERIFY(full && full->isCheckable() && !full->isChecked());

    f.window->move(33, 44);
    full->trigger();
    QVERIFY(settings().FullScreenMode);
    QVERIFY(full->isChecked());
    QCOMPARE(settings().MainPosLeft, 33); // stored before the layout changes
    QCOMPARE(settings().MainPosTop, 44);
    full->trigger();
    QVERIFY(!settings().FullScreenMode);
    QCOMPARE(f.window->pos(), QPoint(33, 44));
}

void TestPlayerWindow::closingStoresPositionsAndAsksToShutDown() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QSignalSpy closeRequested(f.window.get(), &THauptform::closeRequested);
    f.window->move(40, 50);
    QTRY_COMPARE(f.window->pos(), QPoint(40, 50));
    QTest::keyClick(f.window.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(closeRequested.count(), 1);
    QVERIFY(f.window->isVisible()); // the close itself is refused
    QCOMPARE(settings().MainPosLeft, 40);
    QCOMPARE(settings().MainPosTop, 50);
}

void TestPlayerWindow::buttons_data() {
    QTest::addColumn<bool>("paused");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("Play resumes a paused track") << true << "PlayBtn" << QStringList{"Play(1)"};
    QTest::newRow("Play while playing") << false << "PlayBtn" << QStringList{};
    QTest::newRow("Pause") << false << "PauseBtn" << QStringList{"Pause(0)"};
    QTest::newRow("Pause again does not resume") << true << "PauseBtn" << QStringList{"Pause(0)"};
    QTest::newRow("Stop") << false << "StopBtn" << QStringList{"Stop(0)"};
    QTest::newRow("Previous on the first entry") << false << "LastBtn" << QStringList{};
    QTest::newRow("Next") << false << "NextBtn" << QStringList{"LoadFile(two.mp3)", "Play(0)"};
}

void TestPlayerWindow::buttons() {
    QFETCH(bool, paused);
    QFETCH(QString, button);
    Fixture f;
    f.playFirst();
    if (paused) {
        f.child<TSkinButton>("PauseBtn")->click();
        f.plugIns.calls.clear();
    }
    f.window->findChild<TSkinButton*>(button)->click();
    QTRY_VERIFY(!f.window->TimerLinear.isActive());
    QTEST(f.plugIns.calls, "calls");
}

void TestPlayerWindow::timersRunTheDisplays() {
    Fixture f;
    // The docking tick runs when asked for, once, and stops.
    QTRY_VERIFY(!f.window->Timer1.isActive());
    QSignalSpy docking(f.window.get(), &THauptform::dockingTick);
    f.window->requestDockingTick();
    f.window->requestDockingTick();
    QVERIFY(f.window->Timer1.isActive());
    QCOMPARE(f.window->Timer1.interval(), 200);
    QTRY_COMPARE(docking.size(), 1);
    QVERIFY(!f.window->Timer1.isActive());
    QVERIFY(!f.window->DisplayTimer.isActive()); // off until something plays
    f.playFirst();
    QVERIFY(f.window->DisplayTimer.isActive());
    QCOMPARE(f.window->DisplayTimer.interval(), 100);
    QVERIFY(f.window->TimerLinear.isSingleShot());
    // No manual tick: the window's own timer brings the plug-in's position to the digits.
    f.plugIns.position = 7;
    QTRY_COMPARE(f.digits({"elasek2", "elasek1"}), QStringLiteral("07"));
    // After Stop the timer shows position 0 and then stands still: nothing is left to follow.
    f.child<TSkinButton>("StopBtn")->click();
    f.plugIns.state = 0;
    QTRY_COMPARE(f.digits({"elasek2", "elasek1"}), QStringLiteral("00"));
    QTRY_VERIFY(!f.window->DisplayTimer.isActive());
    f.child<TSkinButton>("PlayBtn")->click();
    QVERIFY(f.window->DisplayTimer.isActive());
}

void TestPlayerWindow::sliderRightClickOpensTheIndexMenu() {
    Fixture f;
    f.playFirst();
    f.plugIns.position = 50;
    f.tick();
    auto* slider = f.child<TSkinSlider>("Slider");
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(20, 5), slider->mapToGlobal(QPoint(20, 5)));
    QApplication::sendEvent(slider, &menu);
    QTRY_VERIFY(f.window->sliderMenu()->isVisible());
    QVERIFY(!f.window->popupMenu()->isVisible());
    QCOMPARE(slider->value(), 50); // the right button does not move the handle
    f.window->sliderMenu()->close();
}

void TestPlayerWindow::longTitlesScrollIn_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("41 characters") << 41 << false;
    QTest::newRow("42 characters") << 42 << true;
}

void TestPlayerWindow::longTitlesScrollIn() {
    QFETCH(int, length);
    QFETCH(bool, scrolls);
    const QString title = QString(length, QLatin1Char('t'));
    Fixture f({title + QStringLiteral(".mp3")});
    f.select(0);
    auto* display = f.child<TScrollDisplay>("DisplayInfo");
    QCOMPARE(display->autoScroll(), scrolls);
    // A scrolling title starts behind 41 blanks, so it enters an empty display from the right.
    QCOMPARE(display->visibleText(), scrolls ? QString(41, QLatin1Char(' ')) : title);
    display->step();
    QCOMPARE(display->visibleText().endsWith(QLatin1Char('t')), true);
}

void TestPlayerWindow::droppedFilesGoOutAsOneList() {
    Fixture f;
    QSignalSpy dropped(f.window.get(), &THauptform::filesDropped);
    QList<QUrl> urls;
    QByteArrayList paths;
    for (int i = 0; i < 10; ++i) {
        paths << QStringLiteral("/music/%1 song.mp3").arg(9 - i).toUtf8();
        urls << QUrl::fromLocalFile(QString::fromUtf8(paths.last()));
    }
    urls.insert(3, QUrl(QStringLiteral("http://example.invalid/stream"))); // not a local file
    // A name that is no UTF-8 keeps its bytes.
    urls << QUrl::fromEncoded("file:///music/caf%E9%20%FF.wav");
    paths << QByteArray("/music/caf\xe9 \xff.wav");
    QMimeData data;
    data.setUrls(urls);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application delivers drops only inside a real drag.
    static_cast<QObject*>(f.window.get())->event(&drop);
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.first().first().value<QByteArrayList>(), paths); // in the order given
    QCOMPARE(drop.dropAction(), Qt::CopyAction);

    // A file manager deletes the source of a move: a drag that offers only a move is refused.
    QDragEnterEvent enter(QPoint(10, 10), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(f.window.get())->event(&enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent moveOnly(QPointF(10, 10), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(f.window.get())->event(&moveOnly);
    QCOMPARE(dropped.count(), 1);
    // A link is as good as a copy.
    QDropEvent link(QPointF(10, 10), Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(f.window.get())->event(&link);
    QCOMPARE(dropped.count(), 2);
    QCOMPARE(link.dropAction(), Qt::LinkAction);
}

void TestPlayerWindow::skinColoursReachTheDisplays() {
    Fixture f;
    SkinDescription skin = SkinDescription::builtIn();
    skin.setColor(SkinColor::LedOn, QColor(255, 0, 255));
    f.window->applySkin(skin);
    auto* digit = f.child<TLedDigit>("elasek1");
    QImage img(digit->size(), QImage::Format_RGB32);
    img.fill(Qt::black);
    digit->render(&img);
    int magenta = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            magenta += img.pixel(x, y) == qRgb(255, 0, 255);
    QVERIFY(magenta > 10);
}

QTEST_MAIN(TestPlayerWindow)
#include "tst_playerwindow.moc"
