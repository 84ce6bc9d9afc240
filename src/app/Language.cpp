#include "Language.h"

#include "PrivateProfile.h"

#include <QCoreApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

namespace larkspin {
namespace {

Q_LOGGING_CATEGORY(lcLanguage, "larkspin.language")

bool known(const QString& code) {
    for (const LanguageChoice& language : Languages)
        if (code == QLatin1String(language.code))
            return true;
    return false;
}

} // namespace

std::string LanguageFilePath(const std::string& programFolder) {
    return programFolder + "/Language/Language.ini";
}

QString ChosenLanguage(const std::string& programFolder) {
    const PrivateProfile file(LanguageFilePath(programFolder));
    const QString stored = QString::fromStdString(file.readString("Language", "Language", "")).toLower();
    if (known(stored))
        return stored;
    if (!stored.isEmpty())
        qCWarning(lcLanguage) << "unknown language" << stored << "in"
                              << LanguageFilePath(programFolder).c_str();
    return QLocale::system().language() == QLocale::German ? QStringLiteral("de") : QStringLiteral("en");
}

void StoreLanguage(const std::string& programFolder, const QString& code) {
    PrivateProfile file(LanguageFilePath(programFolder));
    file.writeString("Language", "Language", code.toStdString());
}

bool InstallLanguage(const QString& code) {
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (code == QLatin1String("en"))
        return true;
    auto* translator = new QTranslator;
    if (!translator->load(QStringLiteral(":/translations/larkspin_%1.qm").arg(code))) {
        qCWarning(lcLanguage) << "no translation for" << code;
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

QString TranslatedWriteError(const char* message) {
    const QString text = QString::fromUtf8(message);
    const QLatin1String prefix("Cannot write to ");
    if (!text.startsWith(prefix))
        return text;
    return QCoreApplication::translate("larkspin::Messages", "Cannot write to %1")
        .arg(text.mid(prefix.size()));
}

} // namespace larkspin
