// The skin widget set: what the LED digits and the title display show, how the sliders map pixels to
// values, and that the widgets draw what they claim (segments, bitmaps, pictures).
#include "ColorContrast.h"
#include "LedArithmetic.h"
#include "SkinDescription.h"
#include "SkinEngine.h"
#include "SkinFile.h"
#include "TCoverImage.h"
#include "TLedDigit.h"
#include "TScrollDisplay.h"
#include "TSkinButton.h"
#include "TSkinSlider.h"

#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

QImage render(QWidget& w) {
    QImage img(w.size(), QImage::Format_ARGB32);
    img.fill(Qt::black);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

// A pixel counts as lit when it is close to the skin's LedOn colour.
bool lit(QRgb px) {
    const QColor on = SkinDescription::builtIn().color(SkinColor::LedOn);
    return std::abs(qRed(px) - on.red()) < 40 && std::abs(qGreen(px) - on.green()) < 40 &&
           std::abs(qBlue(px) - on.blue()) < 40;
}

int litPixels(const QImage& img, QRectF area) {
    const QRect r = area.toRect().intersected(img.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += lit(img.pixel(x, y));
    return n;
}

} // namespace

class TestSkinWidgets : public QObject {
    Q_OBJECT
private slots:
    void ledShowsValueModTen_data();
    void ledShowsValueModTen();
    void ledDrawsTheRightSegments_data();
    void ledDrawsTheRightSegments();
    void displayCells_data();
    void displayCells();
    void titleDisplayScrollsOnlyWhenTooLong_data();
    void titleDisplayScrollsOnlyWhenTooLong();
    void titleDisplayStepsAsARing();
    void refreshingTheSameTextKeepsScrolling();
    void sliderValueAt_data();
    void sliderValueAt();
    void sliderHandleFollowsValue();
    void sliderMouse();
    void buttonDrawsSkinBitmaps();
    void coverLoadsPicturesAndFailsQuietly();
    void readableAgainst_data();
    void readableAgainst();
    void shippedLooksRead_data();
    void shippedLooksRead();
    void fileDialogsTakeTheSkin();
};

void TestSkinWidgets::ledShowsValueModTen_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("blankZero");
    QTest::addColumn<int>("shown");
    QTest::newRow("single digit") << 7 << false << 7;
    QTest::newRow("zero shown") << 0 << false << 0;
    QTest::newRow("zero blank") << 0 << true << -1;
    QTest::newRow("12 shows 2") << 12 << false << 2;
    QTest::newRow("123 on a digit") << 123 << true << 3;
    QTest::newRow("10 on a blanking digit is blank") << 10 << true << -1;
    QTest::newRow("9999") << 9999 << false << 9;
    QTest::newRow("negative never out of range") << -7 << false << 3;
}

void TestSkinWidgets::ledShowsValueModTen() {
    QFETCH(int, value);
    QFETCH(bool, blankZero);
    QFETCH(int, shown);
    QCOMPARE(LedShownDigit(value, blankZero), shown);
    TLedDigit digit(nullptr, blankZero);
    digit.setValue(value);
    QCOMPARE(digit.shownDigit(), shown);
}

void TestSkinWidgets::ledDrawsTheRightSegments_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("blankZero");
    QTest::addColumn<QString>("segments"); // a b c d e f g, 1 = lit
    QTest::newRow("0") << 0 << false << "1111110";
    QTest::newRow("1") << 1 << false << "0110000";
    QTest::newRow("2") << 2 << false << "1101101";
    QTest::newRow("3") << 3 << false << "1111001";
    QTest::newRow("4") << 4 << false << "0110011";
    QTest::newRow("5") << 5 << false << "1011011";
    QTest::newRow("6") << 6 << false << "1011111";
    QTest::newRow("7") << 7 << false << "1110000";
    QTest::newRow("8") << 8 << false << "1111111";
    QTest::newRow("9") << 9 << false << "1111011";
    QTest::newRow("47 shows 7") << 47 << false << "1110000";
    QTest::newRow("blank") << 0 << true << "0000000";
}

void TestSkinWidgets::ledDrawsTheRightSegments() {
    QFETCH(int, value);
    QFETCH(bool, blankZero);
    QFETCH(QString, segments);
    TLedDigit digit(nullptr, blankZero);
    digit.resize(44, 76);
    digit.setValue(value);
    const QImage img = render(digit);
    const qreal w = img.width(), h = img.height();
    // Sample areas around each segment's middle, away from the corners where segments meet.
    const QRectF areas[7] = {
        {w * 0.35, 0, w * 0.3, h * 0.1},          // a
        {w * 0.72, h * 0.2, w * 0.28, h * 0.15},  // b
        {w * 0.68, h * 0.65, w * 0.32, h * 0.15}, // c
        {w * 0.3, h * 0.9, w * 0.3, h * 0.1},     // d
        {0, h * 0.65, w * 0.3, h * 0.15},         // e
        {w * 0.02, h * 0.2, w * 0.3, h * 0.15},   // f
        {w * 0.35, h * 0.45, w * 0.3, h * 0.1},   // g
    };
    QString seen;
    for (const QRectF& a : areas)
        seen += litPixels(img, a) > 4 ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(seen, segments);
}

void TestSkinWidgets::displayCells_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("cells");
    QTest::addColumn<QString>("shown");
    QTest::newRow("short text padded") << "abc" << 0 << 5 << "abc  ";
    QTest::newRow("exact fit") << "abcde" << 3 << 5 << "abcde";
    QTest::newRow("ring start") << "abcdefg" << 0 << 5 << "abcde";
    QTest::newRow("ring wraps") << "abcdefg" << 4 << 5 << "efgab";
    QTest::newRow("offset beyond length") << "abcdefg" << 9 << 5 << "cdefg";
    QTest::newRow("empty") << "" << 0 << 3 << "   ";
    QTest::newRow("no cells") << "abc" << 0 << 0 << "";
}

void TestSkinWidgets::displayCells() {
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(int, cells);
    QFETCH(QString, shown);
    QCOMPARE(DisplayCells(text, offset, cells), shown);
}

void TestSkinWidgets::titleDisplayScrollsOnlyWhenTooLong_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("40") << 40 << false;
    QTest::newRow("41 fits exactly") << 41 << false;
    QTest::newRow("42 scrolls") << 42 << true;
}

void TestSkinWidgets::titleDisplayScrollsOnlyWhenTooLong() {
    QFETCH(int, length);
    QFETCH(bool, scrolls);
    TScrollDisplay display;
    QCOMPARE(display.cells(), 41);
    display.show();
    display.setText(QString(length, QLatin1Char('x')));
    QCOMPARE(display.autoScroll(), scrolls);
    QCOMPARE(display.stepTimer().isActive(), scrolls);
    QCOMPARE(display.stepTimer().interval(), 200);
    // Hidden, it does not step; shown again, a long text scrolls on.
    display.hide();
    QVERIFY(!display.stepTimer().isActive());
    display.show();
    QCOMPARE(display.stepTimer().isActive(), scrolls);
    const QString before = display.visibleText();
    QCOMPARE(before.size(), 41);
    display.step();
    QCOMPARE(display.offset(), scrolls ? 1 : 0);
}

void TestSkinWidgets::titleDisplayStepsAsARing() {
    TScrollDisplay display(nullptr, 5);
    display.setText(QStringLiteral("     Larkspin")); // a long title behind blanks enters from the right
    QCOMPARE(display.visibleText(), QStringLiteral("     "));
    display.step();
    QCOMPARE(display.visibleText(), QStringLiteral("    L"));
    for (int i = 0; i < 4; ++i)
        display.step();
    QCOMPARE(display.visibleText(), QStringLiteral("Larks"));
    for (int i = 0; i < 8; ++i)
        display.step();
    QCOMPARE(display.offset(), 0); // 13 steps: once round
    QCOMPARE(display.visibleText(), QStringLiteral("     "));

    // A new text starts from its beginning; a short one stops the scrolling.
    display.step();
    display.setText(QStringLiteral("abcdefgh"));
    QCOMPARE(display.visibleText(), QStringLiteral("abcde"));
    display.setText(QStringLiteral("ab"));
    QVERIFY(!display.stepTimer().isActive());
    display.step();
    QCOMPARE(display.visibleText(), QStringLiteral("ab   "));
}

void TestSkinWidgets::refreshingTheSameTextKeepsScrolling() {
    // The player refreshes the title on every 100 ms tick; that must not pull it back to the start.
    TScrollDisplay display;
    display.show(); // a hidden display does not step
    const QString title = QString(41, QLatin1Char(' ')) + QStringLiteral("A title that is too long to fit");
    display.setText(title);
    display.step();
    display.step();
    display.setText(title);
    QCOMPARE(display.offset(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(display.offset() > 2, 20000); // and the step timer really runs
}

void TestSkinWidgets::sliderValueAt_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("handle");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::newRow("left end") << 5 << 110 << 10 << 0 << 100 << 0;
    QTest::newRow("right end") << 105 << 110 << 10 << 0 << 100 << 100;
    QTest::newRow("middle") << 55 << 110 << 10 << 0 << 100 << 50;
    QTest::newRow("left of the track") << -40 << 110 << 10 << 0 << 100 << 0;
    QTest::newRow("right of the track") << 500 << 110 << 10 << 0 << 100 << 100;
    QTest::newRow("offset range") << 55 << 110 << 10 << 20 << 40 << 30;
    QTest::newRow("long track, seconds") << 200 << 391 << 16 << 0 << 3600 << 1843;
    QTest::newRow("empty range") << 55 << 110 << 10 << 0 << 0 << 0;
    QTest::newRow("handle wider than slider") << 3 << 8 << 10 << 0 << 100 << 0;
}

void TestSkinWidgets::sliderValueAt() {
    QFETCH(int, x);
    QFETCH(int, width);
    QFETCH(int, handle);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QCOMPARE(SliderValueAt(x, width, handle, minimum, maximum), value);
}

void TestSkinWidgets::sliderHandleFollowsValue() {
    // Clicking the handle's centre gives back the value it stands for, over the whole range.
    for (int maximum : {1, 7, 100, 251}) {
        for (int v = 0; v <= maximum; ++v) {
            const int left = SliderHandleLeft(v, 391, 16, 0, maximum);
            QVERIFY(left >= 0 && left <= 391 - 16);
            if (maximum <= 391 - 16)
                QCOMPARE(SliderValueAt(left + 8, 391, 16, 0, maximum), v);
        }
    }
    QCOMPARE(SliderHandleLeft(500, 110, 10, 0, 100), 100); // out-of-range values stay on the track
    QCOMPARE(SliderHandleLeft(5, 110, 10, 0, 0), 0);
}

void TestSkinWidgets::sliderMouse() {
    TSkinSlider slider(nullptr, 10);
    slider.resize(110, 12);
    slider.setRange(0, 100);
    QSignalSpy pressed(&slider, &QAbstractSlider::sliderPressed);
    QSignalSpy released(&slider, &QAbstractSlider::sliderReleased);
    QSignalSpy moved(&slider, &QAbstractSlider::sliderMoved);

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(55, 6));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(slider.value(), 50);
    QVERIFY(slider.isSliderDown());
    QMouseEvent move(QEvent::MouseMove, QPointF(80, 6), slider.mapToGlobal(QPointF(80, 6)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&slider, &move);
    QCOMPARE(slider.value(), 75);
    QVERIFY(moved.count() >= 1);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(80, 6));
    QCOMPARE(released.count(), 1);
    QVERIFY(!slider.isSliderDown());

    // The right button belongs to the context menu: it neither moves nor presses the slider.
    QTest::mousePress(&slider, Qt::RightButton, {}, QPoint(10, 6));
    QTest::mouseRelease(&slider, Qt::RightButton, {}, QPoint(10, 6));
    QCOMPARE(slider.value(), 75);
    QCOMPARE(pressed.count(), 1);
}

void TestSkinWidgets::buttonDrawsSkinBitmaps() {
    SkinDescription skin = SkinDescription::builtIn();
    QPixmap up(8, 8), down(8, 8);
    up.fill(QColor(200, 0, 0));
    down.fill(QColor(0, 0, 200));
    skin.setBitmap(QStringLiteral("button.shuffle"), up);
    skin.setBitmap(QStringLiteral("button.shuffle.down"), down);
    TSkinButton button(TSkinButton::Glyph::Text, QStringLiteral("shuffle"));
    button.setCheckable(true);
    button.resize(30, 12);
    button.setSkin(skin);
    QCOMPARE(QColor(render(button).pixel(15, 6)), QColor(200, 0, 0));
    button.setChecked(true);
    QCOMPARE(QColor(render(button).pixel(15, 6)), QColor(0, 0, 200));

    // Without bitmaps the built-in face is drawn, and a checked toggle lights its lamp.
    TSkinButton plain(TSkinButton::Glyph::Text, QStringLiteral("repeat"));
    plain.setText(QStringLiteral("REP"));
    plain.setCheckable(true);
    plain.resize(30, 12);
    const int dark = litPixels(render(plain), QRectF(0, 0, 10, 12));
    plain.setChecked(true);
    QVERIFY(litPixels(render(plain), QRectF(0, 0, 10, 12)) > dark);
}

void TestSkinWidgets::coverLoadsPicturesAndFailsQuietly() {
    QTemporaryDir dir;
    QImage red(20, 20, QImage::Format_RGB32);
    red.fill(QColor(220, 10, 10));
    const QString png = dir.filePath(QStringLiteral("cover.png"));
    QVERIFY(red.save(png));
    QFile damaged(dir.filePath(QStringLiteral("temp.jpg")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("\xff\xd8\xff\xe0 not really a picture", 26));
    damaged.close();

    TCoverImage cover;
    cover.resize(103, 103);
    QVERIFY(cover.loadFile(png)); // any format Qt reads, not only JPEG
    QVERIFY(cover.hasPicture());
    QCOMPARE(QColor(render(cover).pixel(50, 50)), QColor(220, 10, 10));

    QVERIFY(!cover.loadFile(damaged.fileName()));
    QVERIFY(!cover.hasPicture());
    QVERIFY(!cover.loadFile(dir.filePath(QStringLiteral("missing.jpg"))));
    QVERIFY(!cover.hasPicture());
    QVERIFY(render(cover).pixel(50, 50) != QColor(220, 10, 10).rgb());
}

void TestSkinWidgets::readableAgainst_data() {
    QTest::addColumn<QColor>("wanted");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("unchanged");
    QTest::newRow("black on white stays") << QColor(Qt::black) << QColor(Qt::white) << true;
    QTest::newRow("navy on grey-green goes darker")
        << QColor(0x10, 0x24, 0x60) << QColor(0x7a, 0x84, 0x76) << false;
    QTest::newRow("grey-green behind navy goes lighter")
        << QColor(0x7a, 0x84, 0x76) << QColor(0x10, 0x24, 0x60) << false;
    QTest::newRow("green on dark brown stays")
        << QColor(0x7c, 0xff, 0x6a) << QColor(0x2a, 0x22, 0x1c) << true;
    QTest::newRow("mid grey on mid grey") << QColor(0x80, 0x80, 0x80) << QColor(0x78, 0x78, 0x78) << false;
}

void TestSkinWidgets::readableAgainst() {
    QFETCH(QColor, wanted);
    QFETCH(QColor, background);
    QFETCH(bool, unchanged);
    const QColor got = ReadableAgainst(wanted, background);
    QVERIFY2(ContrastRatio(got, background) >= 4.5, qPrintable(got.name()));
    QCOMPARE(got == wanted, unchanged);
    if (!unchanged && wanted.hslSaturation() > 20) // a grey has no hue to keep
        QVERIFY(std::abs(got.hslHue() - wanted.hslHue()) <= 3);
    QCOMPARE(ContrastRatio(Qt::black, Qt::white), 21.0);
    QCOMPARE(ContrastRatio(wanted, wanted), 1.0);
}

// Every shipped look: the title display's lit text stands out from its cells, and links from the
// window they sit on.
void TestSkinWidgets::shippedLooksRead_data() {
    QTest::addColumn<QString>("skin"); // empty: the built-in look
    QTest::newRow("built-in") << QString();
    QTest::newRow("VezAdev") << QStringLiteral("VezAdev");
    QTest::newRow("Glacier") << QStringLiteral("Glacier");
}

void TestSkinWidgets::shippedLooksRead() {
    QFETCH(QString, skin);
    SkinDescription look = SkinDescription::builtIn();
    if (!skin.isEmpty()) {
        const SkinLoad l = LoadSkinFile(QStringLiteral(LARKSPIN_SOURCE_DIR "/skins/") + skin + "/skin.ini");
        QVERIFY(l.read);
        look = l.skin;
    }
    const QColor on = look.color(SkinColor::LedOn);
    const QColor backing = TScrollDisplay::DisplayCellBacking(on, look.color(SkinColor::LedOff));
    QVERIFY2(ContrastRatio(on, backing) >= 4.5, qPrintable(on.name() + " on " + backing.name()));
    const QPalette palette = SkinEngine::paletteFor(look);
    for (QPalette::ColorRole link : {QPalette::Link, QPalette::LinkVisited})
        QVERIFY(ContrastRatio(palette.color(link), palette.color(QPalette::Window)) >= 4.5);
}

// Windows nobody follows, as the file dialogs, take the skin's colours and change with it.
void TestSkinWidgets::fileDialogsTakeTheSkin() {
    SkinEngine engine;
    engine.followInApplication();
    const SkinLoad glacier = LoadSkinFile(QStringLiteral(LARKSPIN_SOURCE_DIR "/skins/Glacier/skin.ini"));
    const SkinLoad vezadev = LoadSkinFile(QStringLiteral(LARKSPIN_SOURCE_DIR "/skins/VezAdev/skin.ini"));
    QVERIFY(glacier.read && vezadev.read);
    engine.setSkin(glacier.skin);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QCOMPARE(dialog.palette().color(QPalette::Base), glacier.skin.color(SkinColor::ListBackground));
    QCOMPARE(dialog.palette().color(QPalette::Highlight), glacier.skin.color(SkinColor::ListSelection));
    engine.setSkin(vezadev.skin);
    QTRY_COMPARE(dialog.palette().color(QPalette::Base), vezadev.skin.color(SkinColor::ListBackground));
    QApplication::setPalette(QPalette());
}

QTEST_MAIN(TestSkinWidgets)
#include "tst_skinwidgets.moc"
