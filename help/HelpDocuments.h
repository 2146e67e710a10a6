#pragma once
// The help documents the program opens and the language folders they live in.
namespace qda::help {

inline constexpr const char* kHelpDocuments[] = {
    "QD-Atlas.pdf",        "QD-AtlasWave.pdf",        "QD-AtlasCalc.pdf",
    "QD-AtlasStorage.pdf", "QD-AtlasEnvironment.pdf", "QD-AtlasHead.pdf",
};

struct HelpLanguage {
    const char* module;  // language module and source folder: "jp"
    const char* folder;  // help folder the program opens: "JP"
    int index;           // LANG_JP 1, LANG_US 2, LANG_DE 3
};
inline constexpr HelpLanguage kHelpLanguages[] = {{"jp", "JP", 1}, {"us", "US", 2}, {"de", "DE", 3}};

}  // namespace qda::help
