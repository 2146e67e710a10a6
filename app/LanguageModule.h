#pragma once
// CLanguageModule: the language of the run and its module QD-Atlas.Lang.<lang>.so, chosen at
// start-up from "-jp", "-us", "-de" on the command line or the user's locale.
#include <string>

class CLanguageModule {
public:
    // The one instance of the process.
    static CLanguageModule& Instance();

    // Chooses and loads the module for `commandLine` from `libDir` (empty: the library search).
    // False when no module could be loaded: the caller shows the built-in system error and ends.
    bool Load(const std::string& commandLine, const std::string& libDir);
    // LANG_JP 1, LANG_US 2, LANG_DE 3; 0 before Load.
    int GetLanguage() const { return m_nLanguage; }
    // Releases the module (process exit).
    void Release();
    ~CLanguageModule();

private:
    CLanguageModule() = default;
    int m_nLanguage = 0;
    bool m_loaded = false;
};
