#include "app/MainWindowLogic.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace qda {

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (!line.empty()) line += ' ';
        bool space = arg.empty();
        for (unsigned char c : arg) space = space || std::isspace(c);
        line += space ? "\"" + arg + "\"" : arg;
    }
    return line;
}

std::string ExtractOpenArgument(const std::string& commandLine) {
    std::string text = commandLine;
    static const std::string kOpen = "/open";
    for (size_t at = text.find(kOpen); at != std::string::npos; at = text.find(kOpen, at))
        text.erase(at, kOpen.size());
    size_t begin = 0;
    while (begin < text.size() && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    size_t end = text.size();
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    text = text.substr(begin, end - begin);
    if (!text.empty() && text.front() == '"') text = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
    return text;
}

bool TakeDumpOption(std::string& commandLine) {
    static const std::string kDump = "--dump";
    auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const std::string& line = commandLine;
    std::string rest;
    bool quoted = false, found = false;
    for (size_t i = 0; i < line.size();) {
        const size_t end = i + kDump.size();
        if (!quoted && line.compare(i, kDump.size(), kDump) == 0 && (i == 0 || space(line[i - 1])) &&
            (end == line.size() || space(line[end]))) {
            found = true;
            for (i = end; i < line.size() && space(line[i]);) ++i;
            continue;
        }
        if (line[i] == '"') quoted = !quoted;
        rest += line[i++];
    }
    while (!rest.empty() && space(rest.back())) rest.pop_back();
    if (found) commandLine = rest;
    return found;
}

bool HasSettingsExtension(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".qdt";
}

std::string FormatVersionText(const std::string& fileVersion) {
    int a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(fileVersion.c_str(), "%d,%d,%d,%d", &a, &b, &c, &d) != 4) return {};
    char text[64];
    if (d == 0) {
        std::snprintf(text, sizeof text, "%d.%d%d", a, b, c);
    } else {
        std::snprintf(text, sizeof text, "%d.%d%d%c", a, b, c, static_cast<char>(d + 96));
    }
    return text;
}

KeyAction MapMainWindowKey(int key, bool ctrl, bool alt, bool shift, int* program) {
    // Qt key codes (kept numeric so that this file needs no Qt header).
    constexpr int kKeyLeft = 0x01000012, kKeyRight = 0x01000014;
    constexpr int kKey0 = 0x30, kKey7 = 0x37;
    constexpr int kKeyC = 0x43, kKeyO = 0x4f, kKeyS = 0x53, kKeyV = 0x56;
    constexpr int kKeyF1 = 0x01000030, kKeyF3 = 0x01000032;
    if (ctrl && !alt && !shift) {
        if (key == kKeyLeft) return KeyAction::kPrevTab;
        if (key == kKeyRight) return KeyAction::kNextTab;
        if (key == kKeyO) return KeyAction::kOpen;
        if (key == kKeyS) return KeyAction::kSave;
        return KeyAction::kNone;
    }
    if (alt && !ctrl && !shift) {
        if (key >= kKey0 && key <= kKey7) {
            if (program != nullptr) *program = key - kKey0;
            return KeyAction::kSelectProgram;
        }
        if (key == kKeyC || key == kKeyV) return KeyAction::kSwallow;
        return KeyAction::kNone;
    }
    if (!ctrl && !alt && !shift) {
        if (key == kKeyF1) return KeyAction::kHelp;
        switch (key - kKeyF3) {
            case 0:
                return KeyAction::kSend;
            case 1:
                return KeyAction::kReceive;
            case 2:
                return KeyAction::kCalcWindow;
            case 3:
                return KeyAction::kWaveA;
            case 4:
                return KeyAction::kWaveB;
            case 5:
                return KeyAction::kStorage;
            default:
                break;
        }
    }
    return KeyAction::kNone;
}

bool NeedsTransparencyQuestion(const ProgramSetting& program, int head) {
    const int calc = head == 0 ? kCalcHeadATransparent : kCalcHeadBTransparent;
    const int mode = head == 0 ? program.HeadA.HdMsrMode : program.HeadB.HdMsrMode;
    const bool transparent = mode == 2 || mode == 3;
    return !transparent && (program.Out1.Calc == calc || program.Out2.Calc == calc);
}

int ControllerErrorMessage(int code) {
    switch (code) {
        case 1:
            return 372;
        case 2:
            return 373;
        case 3:
            return 374;
        case 4:
            return 375;
        case 7:
            return 376;
        default:
            return 377;
    }
}

std::string HelpFolder(int languageIndex) {
    if (languageIndex == 1) return "JP";
    if (languageIndex == 3) return "DE";
    return "US";
}

bool SameProgramsAndEnvironment(const SettingsBlock& a, const SettingsBlock& b) {
    return std::memcmp(a.Programs, b.Programs, sizeof a.Programs) == 0 &&
           std::memcmp(&a.Environment, &b.Environment, sizeof a.Environment) == 0;
}

}  // namespace qda
