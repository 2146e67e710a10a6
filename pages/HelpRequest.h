#pragma once
// The help request (F1) of the dialogs in this folder: the main window installs the opener of its
// help documents once; a dialog asks for its document by file name.
#include <functional>
#include <string>

namespace qda {

// Installs the opener (an empty function removes it). `document` is a file name such as
// "QD-AtlasEnvironment.pdf", to be looked up in the help folder of the current language.
void SetHelpHandler(std::function<void(const std::string& document)> handler);
// Asks the installed opener for `document`; false when none is installed.
bool RequestHelp(const std::string& document);

}  // namespace qda
