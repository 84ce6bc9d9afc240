#pragma once

// Files for the tag tests: the tools that make fixtures, the real files of TagLib's test suite (beside the
// clone in
// ../shared/testdata; tests that need them skip without), and writing and reading fixture files.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTest>

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace fixtures {

inline QString TaglibFolder() {
    return QStringLiteral(LARKSPIN_TESTDATA "/taglib");
}

inline QString TaglibFile(const QString& name) {
    return TaglibFolder() + QLatin1Char('/') + name;
}

inline std::string TaglibPath(const QString& name) {
    return TaglibFile(name).toStdString();
}

// Skips the calling test function when the real test files are not there (a clone without ../shared).
#define SKIP_WITHOUT_TAGLIB_FILES()                                                                          \
    do {                                                                                                     \
        if (!QDir(fixtures::TaglibFolder()).exists())                                                        \
            QSKIP("the real test files are absent (" LARKSPIN_TESTDATA "/taglib): skipped");                 \
    } while (false)

inline bool HaveTool(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromUtf8(name)).isEmpty();
}

// Runs a fixture tool; true when it ends normally with exit code 0.
inline bool Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline QByteArray bytes(std::string_view s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}
inline std::string str(const QByteArray& b) {
    return std::string(b.constData(), size_t(b.size()));
}

inline bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}
inline bool writeFile(const QString& path, const std::string& data) {
    return writeFile(path, bytes(data));
}
inline bool writeFile(const QString& path, const char* data) {
    return writeFile(path, QByteArray(data));
}

// The file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace fixtures
