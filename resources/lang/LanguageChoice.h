#pragma once
// The choice of the language module at start-up and the built-in message shown when none loads.
#include <string>

namespace qda {

constexpr int LANG_JP = 1;
constexpr int LANG_US = 2;
constexpr int LANG_DE = 3;

// Shown (error icon) when no language module can be loaded; built in, as no string table is there.
constexpr const char* kSystemErrorMessage = "The system error occurred.\nPlease re-install.";

// The language the command line asks for: "-jp", "-us" or "-de" anywhere in it, compared in lower
// case, first match in that order; without one, the user's language (`userLanguage`, a two-letter
// code as SystemUserLanguage gives): "de" German, "ja" Japanese, anything else English.
// Returns "jp", "us" or "de".
std::string ChooseLanguage(const std::string& commandLine, const std::string& userLanguage);

// The two-letter code of the user's locale (QLocale::system()), e.g. "de", "ja", "en".
std::string SystemUserLanguage();

// LANG_JP, LANG_US or LANG_DE for "jp", "us", "de"; 0 for anything else.
int LanguageIndex(const std::string& lang);

// Chooses the language for `commandLine` and the user's language and loads its module from `dir`.
// When that fails and the command line is empty, the English module is loaded instead (the chosen
// language stays the one reported in *chosen). Returns false when no module could be loaded; the
// caller then shows kSystemErrorMessage and ends.
bool LoadStartupLanguage(const std::string& commandLine, const std::string& dir,
                         std::string* chosen = nullptr,
                         const std::string& userLanguage = SystemUserLanguage());

}  // namespace qda
