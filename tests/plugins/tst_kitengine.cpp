// The plug-in kit's engine with a fake decoder and outputs of the test's own: envelopes, seeks,
// closing and a storm of calls, faster than real time.
#include "Engine.h"
#include "KitFakes.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <random>

using namespace kitfakes;
using larkspin::kit::Engine;

namespace {

constexpr int Rate = 44100;

// Runs calls on a thread of their own; true when they returned within timeoutMs.
template <typename F> bool returnsPromptly(F calls, int timeoutMs = 5000) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread worker([calls, done] {
        calls();
        *done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!*done && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    if (!*done) {
        worker.detach();
        return false;
    }
    worker.join();
    return true;
}

// Index of the first heard frame from `from` whose value is close to value; -1 when none.
long find(const std::vector<float>& heard, float value, size_t from = 0) {
    for (size_t i = from; i < heard.size(); ++i)
        if (std::abs(heard[i] - value) < 1e-4f)
            return long(i);
    return -1;
}

} // namespace

class TestKitEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void crossfadeIsLinearFasterThanRealTime();
    void volumeScales();
    void seekInAFileOfUnknownLengthGoesThere();
    void seekAfterTheEndOfAnUnknownLengthEnds();
    void bindingAgainAsTheClosingFadeEndsPlaysTheNewFile_data();
    void bindingAgainAsTheClosingFadeEndsPlaysTheNewFile();
    void noCallWaitsForADecoder();
    void closeWaitsNeitherForTheDeviceNorForQueuedOrders();
    void stormOfCalls();
    void unplayableFileSaysWhy();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    // Pumps until condition holds (false after timeoutMs).
    template <typename F> bool pumpUntil(F condition, int timeoutMs = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            // 12 ms of audio a millisecond: far faster than real time, slow enough for the decoding
            // thread to keep its ring filled on a busy machine.
            output->pump(512);
            QTest::qWait(1);
        }
        return true;
    }
    // Pumps frames frames, waiting for the voice to be ready first.
    void pumpFrames(size_t frames) {
        const size_t until = output->heard.size() + frames;
        QVERIFY(pumpUntil([&] { return output->heard.size() >= until; }));
    }

    QTemporaryDir dir;
    std::unique_ptr<Engine> engine;
    ManualOutput* output = nullptr;
};

void TestKitEngine::initTestCase() {
    QVERIFY(dir.isValid());
    QVERIFY(writeFake(file("a.fake"), Rate, 2, 5, 3000));
    QVERIFY(writeFake(file("b.fake"), Rate, 2, 5, 13000));
    QVERIFY(writeFake(file("unknown.fake"), Rate, 2, 5, 3000, false));
}

void TestKitEngine::init() {
    auto out = std::make_unique<ManualOutput>();
    output = out.get();
    engine = std::make_unique<Engine>(createFake, std::move(out));
}

void TestKitEngine::cleanup() {
    openGate = false;
    openGate.notify_all();
    engine.reset();
}

// a.fake holds 3000 + steps, b.fake 13000 + steps (steps up to 19000): the sum of the two envelopes is seen
// in the levels.
void TestKitEngine::crossfadeIsLinearFasterThanRealTime() {
    engine->loadFile(file("a.fake").toStdString());
    engine->play(0);
    QVERIFY(pumpUntil([&] { return find(output->heard, fakeValue(3000, 0)) >= 0; }));
    const size_t aStart = size_t(find(output->heard, fakeValue(3000, 0)));
    pumpFrames(Rate / 2);
    engine->loadFile(file("b.fake").toStdString());
    engine->play(1000);
    QVERIFY(pumpUntil([&] { return !engine->nowFading() && output->heard.size() > aStart + Rate * 2; }));
    QCOMPARE(engine->state(), uint8_t(1));
    // Where the output leaves A's steps, B has begun a little earlier (its first gains are tiny).
    const std::vector<float>& h = output->heard;
    long seen = -1;
    for (size_t i = aStart + 1; i < h.size() && seen < 0; ++i)
        if (std::abs(h[i] - fakeValue(3000, double(i - aStart) / Rate)) > 1e-3f)
            seen = long(i);
    QVERIFY(seen > 0);
    // Over the fade: out = a * (1 - g) + b * g with g rising by 1/44100 a frame, for one start.
    auto worstFrom = [&](long start) {
        double worst = 0;
        for (long k = 0; k < Rate; k += 97) {
            const double g = double(k + 1) / Rate;
            const double a = fakeValue(3000, double(size_t(start + k) - aStart) / Rate);
            const double b = fakeValue(13000, double(k) / Rate);
            worst = std::max(worst, std::abs(h[size_t(start + k)] - (a * (1 - g) + b * g)));
        }
        return worst;
    };
    long start = seen;
    for (long s = seen - 1000; s <= seen; ++s)
        if (worstFrom(s) < worstFrom(start))
            start = s;
    QVERIFY2(worstFrom(start) < 0.002, qPrintable(QString::number(worstFrom(start))));
    QCOMPARE(h[size_t(start + Rate + 10)], fakeValue(13000, double(Rate + 10) / Rate));
}

void TestKitEngine::volumeScales() {
    engine->setVolume(50);
    engine->loadFile(file("a.fake").toStdString());
    engine->play(0);
    QVERIFY(pumpUntil([&] { return find(output->heard, fakeValue(3000, 0) / 2) >= 0; }));
    engine->setVolume(1000);
    output->heard.clear();
    pumpFrames(10);
    QVERIFY(std::abs(output->heard.back()) > fakeValue(3000, 0) * 0.99);
    engine->setVolume(-5);
    pumpFrames(10);
    QCOMPARE(output->heard.back(), 0.0f);
}

// A length the decoder cannot tell once sent every seek to 0.
void TestKitEngine::seekInAFileOfUnknownLengthGoesThere() {
    engine->loadFile(file("unknown.fake").toStdString());
    engine->play(0);
    QVERIFY(pumpUntil([&] { return find(output->heard, fakeValue(3000, 0)) >= 0; }));
    QCOMPARE(engine->length(), 0);
    const size_t asked = output->heard.size();
    engine->setPos(3);
    QCOMPARE(engine->position(), 3);
    QVERIFY(pumpUntil([&] { return find(output->heard, fakeValue(3000, 3.0), asked) >= 0; }));
    QCOMPARE(engine->position(), 3);
    pumpFrames(Rate);
    QCOMPARE(engine->position(), 4);
    QCOMPARE(engine->state(), uint8_t(1));
}

void TestKitEngine::seekAfterTheEndOfAnUnknownLengthEnds() {
    engine->loadFile(file("unknown.fake").toStdString());
    engine->play(0);
    engine->setPos(60);
    QVERIFY(pumpUntil([&] { return engine->state() == 3; }));
    QCOMPARE(engine->position(), 60);
}

void TestKitEngine::bindingAgainAsTheClosingFadeEndsPlaysTheNewFile_data() {
    QTest::addColumn<int>("afterFadeMs"); // when the host binds again, from the fade's end
    for (int ms : {-40, -20, -5, 0, 5, 20, 40})
        QTest::addRow("%+d ms", ms) << ms;
}

// The host leaves a plug-in with Stop(300) and ClosePlugIn and may bind it again at once; the file it
// then loads must play, not the one before (the closing once dropped the file just loaded).
void TestKitEngine::bindingAgainAsTheClosingFadeEndsPlaysTheNewFile() {
    QFETCH(int, afterFadeMs);
    engine->loadFile(file("a.fake").toStdString());
    engine->play(0);
    QVERIFY(pumpUntil([&] { return find(output->heard, fakeValue(3000, 0)) >= 0; }));
    engine->stop(300);
    engine->closeAfterFades();
    const size_t fadeEnd = output->heard.size() + size_t(Rate * 3 / 10);
    const size_t bindAt = size_t(long(fadeEnd) + long(Rate) * afterFadeMs / 1000);
    QVERIFY(pumpUntil([&] { return output->heard.size() >= bindAt || !output->pump(0); }));
    engine->loadFile(file("b.fake").toStdString());
    engine->play(0);
    const size_t bound = output->heard.size();
    QVERIFY(pumpUntil([&] { return find(output->heard, fakeValue(13000, 0), bound) >= 0; }));
    pumpFrames(Rate / 10);
    const long b = find(output->heard, fakeValue(13000, 0), bound);
    for (size_t i = size_t(b); i < output->heard.size(); ++i)
        QVERIFY2(output->heard[i] >= fakeValue(13000, 0) - 1e-4f, "only the new file plays");
}

// A decoder may take long to open (a scan, a slow disk): no call waits for it.
void TestKitEngine::noCallWaitsForADecoder() {
    openGate = true;
    QVERIFY(returnsPromptly([this] {
        engine->loadFile(file("a.fake").toStdString());
        engine->play(0);
        engine->state();
        engine->setPos(2);
        engine->pause();
        engine->play(1);
        engine->loadFile(file("b.fake").toStdString());
        engine->play(300);
        engine->stop(0);
        engine->state();
        engine->loadFile(file("a.fake").toStdString());
        engine->play(0);
        engine->closeAfterFades();
        engine->state();
    }));
    QCOMPARE(engine->state(), uint8_t(0));
    openGate = false;
    openGate.notify_all();
}

// A sound server may be slow to open or close a device, and the host may change the output mode many
// times in a row: closing returns at once, and of the orders still waiting only the last is carried out.
void TestKitEngine::closeWaitsNeitherForTheDeviceNorForQueuedOrders() {
    auto gated = std::make_unique<GatedOutput>();
    GatedOutput& device = *gated;
    engine.reset();
    engine = std::make_unique<Engine>(createFake, std::move(gated));
    device.gate = true;
    engine->loadFile(file("a.fake").toStdString());
    engine->play(0);
    for (int i = 0; i < 40; ++i)
        engine->setOutputMode(i % 2 == 0 ? 1 : 0);
    const bool prompt = returnsPromptly([this] { engine->closeAfterFades(); });
    device.release();
    QVERIFY2(prompt, "closing waited for the device");
    engine->settle();
    QVERIFY(!device.isOpen);
    QVERIFY2(device.opens <= 2, qPrintable(QString("%1 opens carried out").arg(device.opens.load())));
    QCOMPARE(device.closes.load(), 1);

    // A play right after the close, while the close still waits, opens the device afresh (it reads its
    // settings again), not merely keeps it open.
    device.gate = true;
    engine->play(0);
    QVERIFY(returnsPromptly([this] { engine->closeAfterFades(); }));
    engine->loadFile(file("b.fake").toStdString());
    engine->play(0);
    device.release();
    engine->settle();
    QVERIFY(device.isOpen);
    QCOMPARE(device.closes.load(), 2);
}

// Switches, crossfades, seeks, pauses, output-mode changes and closes in quick succession, with the
// mixer on a thread of its own as a device would run it (the thread sanitizer's pass runs this too).
void TestKitEngine::stormOfCalls() {
    engine.reset();
    engine = std::make_unique<Engine>(createFake, std::make_unique<RacingOutput>());
    const QStringList files{file("a.fake"), file("b.fake"), file("unknown.fake"), file("missing.fake")};
    QVERIFY(writeFake(file("mono22k.fake"), 22050, 1, 2, 5000));
    QVERIFY(writeFake(file("six48k.fake"), 48000, 6, 2, 5000));
    std::mt19937 random(20261210);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    for (int i = 0; i < 1500; ++i) {
        switch (pick(10)) {
        case 0:
        case 1: {
            const QStringList all = files + QStringList{file("mono22k.fake"), file("six48k.fake")};
            engine->loadFile(all[pick(int(all.size()))].toStdString());
            engine->play(pick(3) * 150);
            break;
        }
        case 2:
            engine->setPos(pick(8) - 1);
            break;
        case 3:
            engine->pause();
            break;
        case 4:
            engine->play(1);
            break;
        case 5:
            engine->stop(pick(3) * 100);
            break;
        case 6:
            engine->setOutputMode(pick(2));
            break;
        case 7:
            engine->closeAfterFades();
            break;
        case 8:
            engine->setVolume(pick(120));
            break;
        default:
            QTest::qWait(1);
            break;
        }
        const uint8_t state = engine->state();
        QVERIFY(state <= 3);
        QVERIFY(engine->position() >= 0);
        QVERIFY(engine->length() >= 0);
        engine->nowFading();
    }
    engine->stop(0);
    QCOMPARE(engine->state(), uint8_t(0));
    engine->settle();
}

// A file the decoder cannot open ends at once, and the engine says why; a good one says nothing, also
// after a bad one.
void TestKitEngine::unplayableFileSaysWhy() {
    QFile bad(file("bad.fake"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a fake file at all");
    bad.close();
    engine->loadFile(file("bad.fake").toStdString());
    QCOMPARE(engine->loadError(), std::string()); // nothing is known before it plays
    engine->play(0);
    QVERIFY(pumpUntil([&] { return engine->state() == 3; }));
    QCOMPARE(engine->loadError(), std::string("it holds no audio this plug-in can decode"));
    QCOMPARE(engine->length(), 0);

    engine->loadFile(file("a.fake").toStdString());
    engine->play(0);
    QVERIFY(pumpUntil([&] { return engine->length() > 0; }));
    QCOMPARE(engine->state(), uint8_t(1));
    QCOMPARE(engine->loadError(), std::string());
}

QTEST_GUILESS_MAIN(TestKitEngine)
#include "tst_kitengine.moc"
