#pragma once
// Loading of the language modules QD-Atlas.Lang.<lang>.so.
//
// A module is a resource-only shared library: loading it runs the static initialiser that rcc put
// in it, which registers its Qt resources under /qda-lang/<lang>/. The loader reads the string
// table from there into the program's string tables (LoadMessage, LoadResourceString) and the
// dialog texts into UiText.
#include <string>

namespace qda {

// The file name of the module of `lang` ("jp", "us", "de") inside `dir`; the bare file name when
// `dir` is empty (the system's library search then finds it).
std::string LanguageModulePath(const std::string& lang, const std::string& dir);

// The folder that holds the modules of a program in `programDir`: installed, <prefix>/bin beside
// <prefix>/<libdir>/qd-atlas (taken when it holds the English module); in the build tree,
// <build>/bin beside <build>/lib.
std::string LanguageModuleDir(const std::string& programDir);

// Loads the module of `lang` from `dir` and makes it the current language: its string table is
// registered and selected, its dialog texts answer UiText. Strings the module lacks, or whose
// placeholders differ from the Japanese text, show the Japanese text. The module loaded before is
// released once the new one is in place. Returns false, with the reason in *error when given, when
// the language is unknown, the file cannot be loaded, it is not a language module of that language
// or its tables are malformed; then nothing changes.
bool LoadLanguageModule(const std::string& lang, const std::string& dir, std::string* error = nullptr);

// Releases the loaded module (at exit) and returns to the built-in Japanese texts.
void UnloadLanguageModule();

// The language of the loaded module ("jp", "us", "de"); empty when none is loaded.
std::string LoadedLanguageModule();

}  // namespace qda
