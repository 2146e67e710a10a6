#pragma once
// Command-line options of qd-atlas-sim.

#include <string>
#include <utility>
#include <vector>

#include "simulator/SerialLink.h"
#include "simulator/SimController.h"

namespace qda::sim {

struct SimOptions {
    SimController::Options controller;
    SerialLink::Options serial;
    std::vector<std::pair<std::string, std::string>> faults;  // (kind, rule text)
    bool help = false;
};

// Parses the arguments (without the program name). False with `error` on a bad option.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// Parses a number such as 33, 0x21 or 0.25 within [lo, hi]. False when malformed or out of range.
bool ParseNumber(const std::string& text, double lo, double hi, double& out);

// Parses a list of one to four light-peak positions 1..1023 separated by commas ("120,300").
bool ParseWavePeaks(const std::string& text, std::vector<uint16_t>& out);

// The usage text printed by --help.
const char* SimUsage();

}  // namespace qda::sim
