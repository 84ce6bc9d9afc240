#pragma once

// A plug-in folder filled with copies of the recording encoder plug-in and a log of their calls.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

class EncoderFolder {
public:
    EncoderFolder() {
        logPath_ = dir_.filePath(QStringLiteral("calls.log"));
        qputenv("LARKSPIN_ENCODER_LOG", logPath_.toUtf8());
        QDir().mkpath(folder());
    }
    ~EncoderFolder() { qunsetenv("LARKSPIN_ENCODER_LOG"); }

    QString folder() const { return dir_.filePath(QStringLiteral("Encoder")); }
    std::string folderName() const { return folder().toStdString(); }

    // Copies a recording plug-in (rec_a.so, rec_b.so or rec_incomplete.so) as name.
    void add(const QString& name, const QStringList& script = {},
             const QString& source = QStringLiteral("rec_a.so")) {
        QVERIFY(QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/tests/encoders/") + source,
                            folder() + "/" + name));
        setScript(name, script);
    }
    void setScript(const QString& name, const QStringList& script) {
        QFile f(folder() + "/" + name + ".script");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(script.join('\n').toUtf8());
    }

    QStringList calls() const {
        QFile f(logPath_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    void clear() { QFile::remove(logPath_); }

private:
    QTemporaryDir dir_;
    QString logPath_;
};
