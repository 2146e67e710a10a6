#pragma once
// The main window's decisions that need no window: the command line's file argument, the version
// text, the keyboard routine's table, the transparency check and the controller error messages.
#include <string>

#include "settings/SettingsBlock.h"

namespace qda {

// The raw command line as the program sees it: the arguments after the program name joined by
// spaces, each argument holding white space put in double quotes.
std::string JoinCommandLine(int argc, const char* const* argv);

// The settings file named on the command line: every "/open" removed, white space trimmed, and a
// leading double quote dropped together with the last character.
std::string ExtractOpenArgument(const std::string& commandLine);

// Takes the option "--dump" (open the communication dump window) out of the command line: every
// whole word "--dump" outside double quotes is removed with the white space after it. True when
// there was one. The rest is the command line the language choice and the file argument read.
bool TakeDumpOption(std::string& commandLine);

// True when `path` ends in ".qdt" in any case.
bool HasSettingsExtension(const std::string& path);

// The version text of the splash from a "FileVersion" string "a,b,c,d": "a.bc" when d is 0, else
// "a.bc" and the letter d + 96 ("1.00a" for d = 1). Empty when the string has not four numbers.
std::string FormatVersionText(const std::string& fileVersion);

// What the keyboard routine does with a key pressed with the given modifiers.
enum class KeyAction {
    kNone,     // not handled: passed on
    kSwallow,  // handled without action
    kPrevTab,
    kNextTab,
    kOpen,
    kSave,
    kSelectProgram,  // *program gets 0..7
    kSend,
    kReceive,
    kCalcWindow,
    kWaveA,
    kWaveB,
    kStorage,
    kHelp,  // F1, the help request
};

// `key` is the Qt key code; digits are Qt::Key_0..Key_9, letters Qt::Key_A.., F-keys Qt::Key_F1...
KeyAction MapMainWindowKey(int key, bool ctrl, bool alt, bool shift, int* program);

// The transparency check on leaving a program, for `head` (0 A, 1 B): true when an OUT of
// `program` computes that head as transparent object ("head A transparent" 4, "head B
// transparent" 5) while the head is in neither transparent measuring mode (2, 3).
bool NeedsTransparencyQuestion(const ProgramSetting& program, int head);

// The message of a controller error reply code: 1 -> 372, 2 -> 373, 3 -> 374, 4 -> 375,
// 7 -> 376, anything else -> 377.
int ControllerErrorMessage(int code);

// Help folder of a language index (1 JP, 2 US, 3 DE): "JP", "DE", otherwise "US".
std::string HelpFolder(int languageIndex);

// True when the program parts (the 8 programs and the environment) of `a` and `b` are equal: the
// PC communication and window records do not count as a change at exit.
bool SameProgramsAndEnvironment(const SettingsBlock& a, const SettingsBlock& b);

}  // namespace qda
