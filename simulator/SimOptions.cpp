#include "simulator/SimOptions.h"

#include <cstdlib>

#include "simulator/SimFaults.h"

namespace qda::sim {

bool ParseWavePeaks(const std::string& text, std::vector<uint16_t>& out) {
    std::vector<uint16_t> peaks;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string part =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        double n = 0;
        if (peaks.size() == 4 || !ParseNumber(part, 1, 1023, n) || n != static_cast<int>(n)) return false;
        peaks.push_back(static_cast<uint16_t>(n));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    out = peaks;
    return true;
}

bool ParseNumber(const std::string& text, double lo, double hi, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const double v =
        hex ? static_cast<double>(std::strtoull(text.c_str(), &end, 16)) : std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(v >= lo && v <= hi)) return false;
    out = v;
    return true;
}

const char* SimUsage() {
    return "usage: qd-atlas-sim [options]\n"
           "Serves a simulated controller on a pseudo-terminal; the first line on stdout is the\n"
           "slave device path. Lines on stdin are control commands (see simulator/README.md).\n"
           "  --link PATH              also make PATH a symlink to the slave device\n"
           "  --seed N                 seed of the measured values and random faults (default 1)\n"
           "  --pace-baud N|line       deliver bytes at the pace of an N baud line (10 bits a byte);\n"
           "                           \"line\" follows the speed the client sets on its end\n"
           "  --frame-timeout MS       drop an unfinished command frame after MS ms (default 500)\n"
           "  --head-a CODE            head A model code (default 0x00, QD-R17; 0x0F = no head)\n"
           "  --head-b CODE            head B model code (default 0x21, QD-R31)\n"
           "  --wave-segments MASK     waveform segment flags, bits 0-3 (default 0x0F)\n"
           "  --wave-peaks P1[,P2..]   fix up to four light peaks at these sample positions\n"
           "                           (1..1023; default: they drift with the head's distance)\n"
           "  --over-range SHARE       share 0..1 of readings that are out of range (default 0)\n"
           "  --error-reply CMD:CODE[:COUNT]   error reply 0xFF with CODE for command CMD\n"
           "  --er-message CMD:CODE[:COUNT]    \"ER,\" message with CODE instead of the reply\n"
           "  --notify CMD:TAGS[:COUNT]        notifications before the reply, TAGS e.g. TG+N1+N2\n"
           "  --bad-checksum CMD:SHARE[:COUNT] corrupt the checksum of a share of replies\n"
           "  --silence CMD[:COUNT]            no reply\n"
           "  --status CMD:CODE[:COUNT]        the command's reply with status CODE and no data\n"
           "  --split CMD:CHUNK:DELAY_MS       reply in chunks of CHUNK bytes DELAY_MS apart\n"
           "                           CMD is a decimal command code or \"all\"; rules may repeat\n"
           "  --usb-socket PATH        also serve the simulated USB bus for vantorusbd --sim PATH\n"
           "  --usb-packet N           on that bus, deliver each reply in pieces of at most N bytes\n"
           "  --usb-delay MS           on that bus, answer each command MS ms late\n"
           "  --verbose                one line per exchange on stderr\n"
           "  --help                   this text\n";
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (a == "--verbose") {
            o.serial.verbose = true;
            continue;
        }
        if (a.rfind("--", 0) != 0) {
            error = "unexpected argument: " + a;
            return false;
        }
        const std::string name = a.substr(2);
        if (i + 1 >= args.size()) {
            error = a + " needs a value";
            return false;
        }
        const std::string& v = args[++i];
        double n = 0;
        bool ok = true;
        const auto number = [&](double lo, double hi) { return ok = ParseNumber(v, lo, hi, n); };
        if (SimFaults::IsRuleKind(name)) {
            o.faults.emplace_back(name, v);
        } else if (name == "link") {
            o.serial.linkPath = v;
        } else if (name == "seed") {
            char* end = nullptr;
            o.controller.seed = std::strtoull(v.c_str(), &end, 0);
            ok = !v.empty() && v[0] != '-' && end == v.c_str() + v.size();
        } else if (name == "pace-baud") {
            if (v == "line")
                o.serial.paceBaud = SerialLink::kPaceLine;
            else if (number(1, 10000000))
                o.serial.paceBaud = static_cast<int>(n);
        } else if (name == "frame-timeout") {
            if (number(1, 600000)) o.serial.frameTimeoutMs = static_cast<int>(n);
        } else if (name == "head-a" || name == "head-b") {
            if (number(0, 255)) o.controller.headModel[name == "head-b"] = static_cast<uint8_t>(n);
        } else if (name == "wave-peaks") {
            ok = ParseWavePeaks(v, o.controller.wavePeaks);
        } else if (name == "wave-segments") {
            if (number(0, 15)) o.controller.waveSegments = static_cast<uint8_t>(n);
        } else if (name == "over-range") {
            if (number(0, 1)) o.controller.overRangeShare = n;
        } else {
            error = "unknown option: " + a;
            return false;
        }
        if (!ok) {
            error = "bad value for " + a + ": " + v;
            return false;
        }
    }
    return true;
}

}  // namespace qda::sim
