// Starts the player window in a scratch program folder, plays a generated track through the build's
// decoder plug-ins, and saves what the X server shows of the window as a PNG. A second argument plays
// that file instead (e.g. a damaged one, to see what the player says about it).
#include "PlayerController.h"
#include "PlugInHost.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "THauptform.h"
#include "TIndexForm.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRadialGradient>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace larkspin;

namespace {

class DemoList : public PlayerEntryList {
public:
    explicit DemoList(std::string path) : path_(std::move(path)) {}
    int Count() const override { return 1; }
    Entry EntryAt(int) const override { return {path_, "Larkspin Ensemble", "Built-in Sounds", "2026"}; }
    bool PlaylistBusy() const override { return false; }
    void MarkCurrentEntry(int) override {}
    void SelectRow(int) override {}
    void ScrollToRow(int) override {}
    PlayOrder& Order() override { return order; }
    const PlayOrder& Order() const override { return order; }
    PlayOrder order;

private:
    std::string path_;
};

// A logo of our own: a stylised larkspin spike on a dusk gradient.
void drawLogo(const QString& path) {
    QImage img(206, 206, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 206);
    sky.setColorAt(0, QColor(0x1c, 0x21, 0x3a));
    sky.setColorAt(1, QColor(0x4b, 0x2a, 0x5c));
    p.fillRect(img.rect(), sky);
    p.setPen(QPen(QColor(0x3f, 0x8f, 0x5a), 4));
    p.drawLine(103, 196, 103, 40);
    for (int i = 0; i < 7; ++i) {
        const qreal y = 50 + i * 20;
        const qreal r = 9 + i * 2.2;
        for (int side : {-1, 1}) {
            QRadialGradient g(QPointF(103 + side * r, y), r * 1.2);
            g.setColorAt(0, QColor(0xc9, 0xa8, 0xff));
            g.setColorAt(1, QColor(0x5b, 0x3c, 0xc4));
            p.setBrush(g);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(103 + side * r, y), r, r * 0.8);
        }
    }
    p.end();
    img.save(path, "JPG", 92);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s output.png [track]\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Skins"));
    drawLogo(dir.filePath(QStringLiteral("Skins/_logo.jpg")));
    const QString track =
        argc > 2
            ? QString::fromLocal8Bit(argv[2])
            : dir.filePath(QStringLiteral("Larkspin Ensemble - Evening Over The Meadow (Extended).flac"));
    if (argc <= 2)
        QProcess::execute(QStringLiteral("sox"),
                          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                           QStringLiteral("-c"), QStringLiteral("2"), track, QStringLiteral("synth"),
                           QStringLiteral("222"), QStringLiteral("sine"), QStringLiteral("220"),
                           QStringLiteral("vol"), QStringLiteral("0.1")});

    programFolder() = dir.path().toStdString();
    settings().PlayVolume = 80;
    PlugInHostOptions options;
    options.decoderFolder = LARKSPIN_BUILD_DIR "/PlugIn/Decoder";
    options.liveSettings = &settings();
    TPlugInHost host(options);
    std::string plugCheck;
    host.EnumeratePlugIns(plugCheck);
    THauptform window(host);
    DemoList list(track.toStdString());
    PlayerController& player = window.player();
    window.setEntryList(&list);
    window.show();
    window.move(16, 16); // the first-start layout may place it partly off a small screen
    player.PlaylistSelectionChanged(0, 1);
    player.ShuffleClick();
    player.RepeatAllClick();
    player.Play();

    QTimer::singleShot(5500, &app, [&] {
        QPixmap shot = window.screen()->grabWindow(window.winId());
        if (shot.isNull())
            shot = window.grab();
        bool ok = shot.save(output);
        // A double-size copy, for looking at single pixels.
        QString zoomed = output;
        zoomed.insert(zoomed.lastIndexOf(QLatin1Char('.')), QStringLiteral("-2x"));
        ok = ok && shot.toImage()
                       .scaled(shot.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                       .save(zoomed);
        std::fprintf(stderr, "%s %s\n", ok ? "saved" : "could not save", qPrintable(output));
        // The index editor beside it, as "Set index at actual position..." opens it.
        TIndexForm editor(dir.filePath(QStringLiteral("demo.idx")), 1, 221, 42, &window);
        editor.show();
        QString editorShot = output;
        editorShot.insert(editorShot.lastIndexOf(QLatin1Char('.')), QStringLiteral("-index"));
        ok = ok && editor.grab().save(editorShot);
        player.Stop();
        app.exit(ok ? 0 : 1);
    });
    return app.exec();
}
