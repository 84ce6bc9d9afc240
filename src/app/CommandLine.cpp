#include "CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

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

LaunchRequest ParseCommandLine(const QStringList& arguments, const QString& workingFolder) {
    LaunchRequest request;
    bool optionsEnd = false;
    const QDir here(workingFolder);
    for (const QString& argument : arguments) {
        if (!optionsEnd && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            if (argument == QLatin1String("--")) {
                optionsEnd = true;
            } else if (argument == QLatin1String("--enqueue")) {
                request.enqueue = true;
            } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
                request.action = LaunchRequest::Action::Help;
                request.message = QString::fromLatin1(HelpText);
                return request;
            } else if (argument == QLatin1String("--version")) {
                request.action = LaunchRequest::Action::Version;
                request.message = QStringLiteral("Larkspin 3.0\n");
                return request;
            } else {
                request.action = LaunchRequest::Action::Error;
                request.message = QStringLiteral("larkspin: unknown option %1\n%2").arg(argument,
                                                                                        QString::fromLatin1(HelpText));
                return request;
            }
            continue;
        }
        // file:// addresses from file managers are local paths too.
        QString path = argument.startsWith(QLatin1String("file://")) ? QUrl(argument).toLocalFile() : argument;
        const QFileInfo info(here, path);
        if (path.isEmpty() || !info.exists())
            request.missing << argument;
        else
            request.paths << QDir::cleanPath(info.absoluteFilePath());
    }
    return request;
}

QByteArray EncodeLaunchRequest(const LaunchRequest& request) {
    QJsonObject o;
    o[QStringLiteral("enqueue")] = request.enqueue;
    o[QStringLiteral("paths")] = QJsonArray::fromStringList(request.paths);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

LaunchRequest DecodeLaunchRequest(const QByteArray& bytes) {
    LaunchRequest request;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return request;
    const QJsonObject o = doc.object();
    request.enqueue = o.value(QStringLiteral("enqueue")).toBool();
    for (const QJsonValue& v : o.value(QStringLiteral("paths")).toArray())
        if (v.isString() && QFileInfo(v.toString()).isAbsolute())
            request.paths << v.toString();
    return request;
}

} // namespace larkspin
