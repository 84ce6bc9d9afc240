#pragma once

#include <QString>

#include <string>

namespace larkspin {

// The languages Larkspin speaks: English, the language of its own texts, and the translations built
// into it (translations/larkspin_<code>.ts).
struct LanguageChoice {
    const char* code; // "en", "de"
    const char* name; // as the Language page lists it, in the language itself
};
inline constexpr LanguageChoice Languages[] = {{"en", "English"}, {"de", "Deutsch"}};

// The file that keeps the language chosen on the Language page: ProgramFolder + "/Language/Language.ini",
// key Language of section [Language].
std::string LanguageFilePath(const std::string& programFolder);

// The chosen language: the stored one when it is one of Languages, else German when the system's locale
// is German, else English.
QString ChosenLanguage(const std::string& programFolder);

// Keeps code for the next start; throws EProfileWriteError when the file cannot be written.
void StoreLanguage(const std::string& programFolder, const QString& code);

// Makes QCoreApplication::translate answer in the language of code (English: the texts as written).
// False when the translation cannot be loaded; the texts then stay English.
bool InstallLanguage(const QString& code);

// The message of a failed write to a file (EProfileWriteError's "Cannot write to <file>: <reason>") in
// the installed language; any other message as it is.
QString TranslatedWriteError(const char* message);

} // namespace larkspin
