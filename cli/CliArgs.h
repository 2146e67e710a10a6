#pragma once
// Argument access for the qd-atlas-cli commands: positional words, "--name value"
// options and "--flag" switches, with the usage errors every command reports alike.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qda::cli {

enum ExitCode { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

class CliArgs {
public:
    explicit CliArgs(std::vector<std::string> words) : m_words(std::move(words)) {}

    // Removes "--name VALUE" (or "-n VALUE" when short is given) and returns VALUE.
    // A name without a following value is recorded as a usage error.
    std::optional<std::string> TakeOption(const std::string& name, const std::string& shortName = {});
    // Removes "--name" and returns whether it was present.
    bool TakeFlag(const std::string& name);
    // Removes and returns the next positional word.
    std::optional<std::string> TakePositional();
    // True when "--help" or "-h" is among the words (and removes it).
    bool TakeHelp() { return TakeFlag("--help") || TakeFlag("-h"); }

    // After all Take* calls: any word left over, or a missing option value, is a usage error.
    // Writes the reason to err and returns false.
    bool CheckAllConsumed(std::ostream& err) const;
    void AddError(std::string text) { m_errors.push_back(std::move(text)); }

    const std::vector<std::string>& Remaining() const { return m_words; }

private:
    std::vector<std::string> m_words;
    std::vector<std::string> m_errors;
};

// Parses a decimal integer in [min, max]; nullopt for anything else.
std::optional<long> ParseIntArg(const std::string& text, long min, long max);

}  // namespace qda::cli
