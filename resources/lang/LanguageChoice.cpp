#include "resources/lang/LanguageChoice.h"

#include <QLocale>
#include <algorithm>
#include <cctype>

#include "resources/lang/LanguageModule.h"

namespace qda {

std::string ChooseLanguage(const std::string& commandLine, const std::string& userLanguage) {
    std::string lower = commandLine;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("-jp") != std::string::npos) return "jp";
    if (lower.find("-us") != std::string::npos) return "us";
    if (lower.find("-de") != std::string::npos) return "de";
    if (userLanguage == "de") return "de";
    if (userLanguage == "ja") return "jp";
    return "us";
}

std::string SystemUserLanguage() {
    // name() is "de_DE", "ja_JP", "C" ...: the language is the part before the underscore.
    const QString name = QLocale::system().name();
    return name.section(QLatin1Char('_'), 0, 0).toStdString();
}

int LanguageIndex(const std::string& lang) {
    if (lang == "jp") return LANG_JP;
    if (lang == "us") return LANG_US;
    if (lang == "de") return LANG_DE;
    return 0;
}

bool LoadStartupLanguage(const std::string& commandLine, const std::string& dir, std::string* chosen,
                         const std::string& userLanguage) {
    const std::string lang = ChooseLanguage(commandLine, userLanguage);
    if (chosen) *chosen = lang;
    if (LoadLanguageModule(lang, dir)) return true;
    // Only a plain start falls back to English; a start with a file to open ends instead.
    return commandLine.empty() && LoadLanguageModule("us", dir);
}

}  // namespace qda
