#pragma once
// Faults the simulator injects on request, set from the command line or at run time through the
// control channel. Each rule names a command code (or every command) and may carry a count after
// which it expires. Thread-safe: the serial link, a USB bus and the control channel share one set.
//
// Rule texts (CMD is a decimal command code or "all"; COUNT limits how often the rule fires):
//   error-reply  CMD:CODE[:COUNT]       answer with an error reply (code 0xFF, byte 4 = CODE 1..7)
//   er-message   CMD:CODE[:COUNT]       answer with an "ER," message carrying CODE (serial only)
//   notify       CMD:TAGS[:COUNT]       send notifications first, TAGS like TG+N1+N2 (serial only)
//   bad-checksum CMD:SHARE[:COUNT]      corrupt the reply frame's checksum for a share 0..1 of replies
//   silence      CMD[:COUNT]            do not answer
//   split        CMD:CHUNK:DELAY_MS     send the reply in chunks of CHUNK bytes, DELAY_MS apart
//   status       CMD:CODE[:COUNT]       answer with the command's own reply carrying status CODE
//                                       (1..255) and no data, as a controller that refuses it now

#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace qda::sim {

class SimFaults {
public:
    explicit SimFaults(uint64_t seed = 1) : rng_(seed) {}

    // Adds a rule of the named kind from its text. False (and `error` set) on a malformed rule.
    bool Add(std::string_view kind, std::string_view text, std::string& error);
    // True when `kind` names a rule kind.
    static bool IsRuleKind(std::string_view kind);
    void Clear();

    // Each Take* consults the first matching rule and counts it as fired.
    std::optional<uint8_t> TakeErrorReply(uint8_t command);
    std::optional<uint8_t> TakeStatus(uint8_t command);
    bool TakeSilence(uint8_t command);
    std::optional<uint8_t> TakeErMessage(uint8_t command);
    std::vector<std::string> TakeNotifications(uint8_t command);  // "TG", "N1", "N2" in order
    bool TakeBadChecksum(uint8_t command);
    struct Split {
        size_t chunk;
        int delayMs;
    };
    std::optional<Split> SplitFor(uint8_t command);

    // Initialising the controller repairs its memory: error-reply rules with code 7 are dropped.
    void ClearMemoryErrors();
    // One line per active rule ("error-reply 20:7:1"), for the control channel's "faults".
    std::vector<std::string> Describe() const;

private:
    enum class Kind { ErrorReply, ErMessage, Notify, BadChecksum, Silence, Split, Status };
    struct Rule {
        Kind kind = Kind::ErrorReply;
        int command = -1;  // -1 = all
        int code = 0;
        double share = 1.0;
        std::string tags;
        int chunk = 0;
        int delayMs = 0;
        int remaining = -1;  // -1 = unlimited
    };
    Rule* Match(Kind kind, uint8_t command);
    static void Consume(std::vector<Rule>& rules, Rule* r);

    mutable std::mutex mutex_;
    std::vector<Rule> rules_;
    std::mt19937_64 rng_;
};

}  // namespace qda::sim
