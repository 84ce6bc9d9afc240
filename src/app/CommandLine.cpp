#include "CommandLine.h"

#include "FileUrls.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>

#include <sys/stat.h>

namespace larkspin {
namespace {

const char* const HelpText =
    "Usage: larkspin [--enqueue] [FILE|FOLDER|PLAYLIST]...\n"
    "Plays music files, the music of folders (searched with their subfolders) and playlists\n"
    "(.te3, .tel, .m3u, .m3u8, .pls).\n"
    "\n"
    "  --enqueue   add to the playlist without starting the first added title\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "When Larkspin already runs from the same program folder, the files go to that player.\n"
    "\n"
    "Sound goes to the system's sound server (ALSA when that is missing). To choose another output, set\n"
    "LARKSPIN_AUDIO_DRIVER to pulseaudio, pipewire, alsa, dummy (silent) or disk (with SDL_DISKAUDIOFILE\n"
    "naming the file), e.g.: LARKSPIN_AUDIO_DRIVER=alsa larkspin\n";

} // namespace

LaunchRequest ParseCommandLine(const QByteArrayList& arguments, const QByteArray& workingFolder) {
    LaunchRequest request;
    bool optionsEnd = false;
    for (const QByteArray& argument : arguments) {
        if (!optionsEnd && argument.startsWith('-') && argument.size() > 1) {
            if (argument == "--") {
                optionsEnd = true;
            } else if (argument == "--enqueue") {
                request.enqueue = true;
            } else if (argument == "--help" || argument == "-h") {
                request.action = LaunchRequest::Action::Help;
                request.message = QString::fromLatin1(HelpText);
                return request;
            } else if (argument == "--version") {
                request.action = LaunchRequest::Action::Version;
                request.message = QStringLiteral("Larkspin 3.0\n");
                return request;
            } else {
                request.action = LaunchRequest::Action::Error;
                request.message = QStringLiteral("larkspin: unknown option %1\n%2")
                                      .arg(QString::fromLocal8Bit(argument), QString::fromLatin1(HelpText));
                return request;
            }
            continue;
        }
        // file:// addresses from file managers are local paths too.
        std::string path = argument.toStdString();
        if (argument.startsWith("file://"))
            path = LocalPathOfFileUrl(path).value_or(std::string());
        if (!path.empty() && !path.starts_with('/'))
            path = workingFolder.toStdString() + '/' + path;
        path = std::filesystem::path(path).lexically_normal().string();
        if (path.size() > 1 && path.ends_with('/'))
            path.pop_back();
        struct stat st {};
        if (path.empty() || ::stat(path.c_str(), &st) != 0)
            request.missing << argument;
        else
            request.paths << QByteArray::fromStdString(path);
    }
    return request;
}

// Paths travel percent-encoded: JSON holds text, a file name may be any bytes.
QByteArray EncodeLaunchRequest(const LaunchRequest& request) {
    QJsonArray paths;
    for (const QByteArray& path : request.paths)
        paths.append(QString::fromLatin1(path.toPercentEncoding("/")));
    QJsonObject o;
    o[QStringLiteral("enqueue")] = request.enqueue;
    o[QStringLiteral("paths")] = paths;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

LaunchRequest DecodeLaunchRequest(const QByteArray& bytes) {
    LaunchRequest request;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return request;
    const QJsonObject o = doc.object();
    request.enqueue = o.value(QStringLiteral("enqueue")).toBool();
    for (const QJsonValue& v : o.value(QStringLiteral("paths")).toArray()) {
        const QByteArray path = QByteArray::fromPercentEncoding(v.toString().toLatin1());
        if (v.isString() && path.startsWith('/'))
            request.paths << path;
    }
    return request;
}

} // namespace larkspin
