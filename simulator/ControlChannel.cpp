#include "simulator/ControlChannel.h"

#include "simulator/SimOptions.h"

namespace qda::sim {

std::string ControlChannel::Execute(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    const size_t space = line.find(' ');
    const std::string word(line.substr(0, space));
    std::string arg(space == std::string_view::npos ? std::string_view{} : line.substr(space + 1));
    while (!arg.empty() && arg.front() == ' ') arg.erase(0, 1);

    if (word == "ping") return "OK";
    if (word == "state") return "OK " + controller_.Describe();
    if (word == "clear-faults") {
        faults_.Clear();
        return "OK";
    }
    if (word == "faults") {
        std::string out = "OK";
        const auto rules = faults_.Describe();
        for (size_t i = 0; i < rules.size(); ++i) out += (i ? "; " : " ") + rules[i];
        return out;
    }
    if (SimFaults::IsRuleKind(word)) {
        std::string error;
        return faults_.Add(word, arg, error) ? "OK" : "ERROR " + error;
    }
    double n = 0;
    if (word == "head-a" || word == "head-b") {
        if (!ParseNumber(arg, 0, 255, n)) return "ERROR bad head code: " + arg;
        controller_.SetHeadModel(word == "head-b", static_cast<uint8_t>(n));
        return "OK";
    }
    if (word == "over-range") {
        if (!ParseNumber(arg, 0, 1, n)) return "ERROR bad share: " + arg;
        controller_.SetOverRangeShare(n);
        return "OK";
    }
    if (word == "wave-segments") {
        if (!ParseNumber(arg, 0, 15, n)) return "ERROR bad segment flags: " + arg;
        controller_.SetWaveSegments(static_cast<uint8_t>(n));
        return "OK";
    }
    if (word == "wave-peaks") {
        std::vector<uint16_t> peaks;
        if (arg != "drift" && !ParseWavePeaks(arg, peaks)) return "ERROR bad peak positions: " + arg;
        controller_.SetWavePeaks(peaks);
        return "OK";
    }
    if (word == "mode") {
        if (arg == "setting")
            controller_.SwitchMode(SimController::Mode::Setting);
        else if (arg == "measuring" || arg == "measure")
            controller_.SwitchMode(SimController::Mode::Measuring);
        else
            return "ERROR mode must be setting or measuring: " + arg;
        return "OK";
    }
    if (word.empty()) return "ERROR empty command";
    return "ERROR unknown command: " + word;
}

}  // namespace qda::sim
