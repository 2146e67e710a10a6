#include "simulator/SimFaults.h"

#include <charconv>
#include <cstdlib>

#include "simulator/SimProtocol.h"

namespace qda::sim {

namespace {

constexpr std::string_view kKindNames[] = {"error-reply", "er-message", "notify", "bad-checksum",
                                           "silence",     "split",      "status"};

std::vector<std::string_view> SplitColons(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t colon = text.find(':', start);
        parts.push_back(
            text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos) return parts;
        start = colon + 1;
    }
}

bool ParseInt(std::string_view text, int lo, int hi, int& out) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseShare(std::string_view text, double& out) {
    const std::string s(text);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || !(v >= 0.0 && v <= 1.0)) return false;
    out = v;
    return true;
}

bool ParseCommand(std::string_view text, int& out) {
    if (text == "all") {
        out = -1;
        return true;
    }
    return ParseInt(text, 0, 255, out);
}

bool ParseTags(std::string_view text, std::string& out) {
    if (text.empty()) return false;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t plus = text.find('+', start);
        const std::string_view tag =
            text.substr(start, plus == std::string_view::npos ? std::string_view::npos : plus - start);
        if (tag != "TG" && tag != "N1" && tag != "N2") return false;
        if (plus == std::string_view::npos) break;
        start = plus + 1;
    }
    out = std::string(text);
    return true;
}

}  // namespace

bool SimFaults::IsRuleKind(std::string_view kind) {
    for (auto name : kKindNames)
        if (name == kind) return true;
    return false;
}

bool SimFaults::Add(std::string_view kind, std::string_view text, std::string& error) {
    const std::vector<std::string_view> p = SplitColons(text);
    Rule r;
    bool ok = !p.empty() && ParseCommand(p[0], r.command);
    // Rules with an argument take COUNT third; silence takes it second.
    auto count = [&](size_t at) {
        return p.size() <= at || (p.size() == at + 1 && ParseInt(p[at], 1, 1 << 30, r.remaining));
    };
    if (kind == "error-reply" || kind == "er-message") {
        r.kind = kind == "error-reply" ? Kind::ErrorReply : Kind::ErMessage;
        // An "ER," message carries two decimal digits; an error reply one byte.
        ok = ok && p.size() >= 2 && ParseInt(p[1], 0, kind == "error-reply" ? 255 : 99, r.code) && count(2);
    } else if (kind == "status") {
        r.kind = Kind::Status;
        ok = ok && p.size() >= 2 && ParseInt(p[1], 1, 255, r.code) && count(2);
    } else if (kind == "notify") {
        r.kind = Kind::Notify;
        ok = ok && p.size() >= 2 && ParseTags(p[1], r.tags) && count(2);
    } else if (kind == "bad-checksum") {
        r.kind = Kind::BadChecksum;
        ok = ok && p.size() >= 2 && ParseShare(p[1], r.share) && count(2);
    } else if (kind == "silence") {
        r.kind = Kind::Silence;
        ok = ok && count(1);
    } else if (kind == "split") {
        r.kind = Kind::Split;
        ok =
            ok && p.size() == 3 && ParseInt(p[1], 1, 1 << 20, r.chunk) && ParseInt(p[2], 0, 60000, r.delayMs);
    } else {
        error = "unknown fault kind: " + std::string(kind);
        return false;
    }
    if (!ok) {
        error = "malformed " + std::string(kind) + " rule: " + std::string(text);
        return false;
    }
    std::lock_guard lock(mutex_);
    rules_.push_back(r);
    return true;
}

void SimFaults::Clear() {
    std::lock_guard lock(mutex_);
    rules_.clear();
}

SimFaults::Rule* SimFaults::Match(Kind kind, uint8_t command) {
    for (Rule& r : rules_) {
        if (r.kind != kind || (r.command != -1 && r.command != command)) continue;
        // A rule for every command leaves initialisation alone, so a memory error can be repaired.
        if (kind == Kind::ErrorReply && r.command == -1 && command == CMD_INITIALIZE_CONTROLLER) continue;
        return &r;
    }
    return nullptr;
}

void SimFaults::Consume(std::vector<Rule>& rules, Rule* r) {
    if (r->remaining > 0 && --r->remaining == 0) rules.erase(rules.begin() + (r - rules.data()));
}

std::optional<uint8_t> SimFaults::TakeErrorReply(uint8_t command) {
    std::lock_guard lock(mutex_);
    Rule* r = Match(Kind::ErrorReply, command);
    if (!r) return std::nullopt;
    const auto code = static_cast<uint8_t>(r->code);
    Consume(rules_, r);
    return code;
}

std::optional<uint8_t> SimFaults::TakeStatus(uint8_t command) {
    std::lock_guard lock(mutex_);
    Rule* r = Match(Kind::Status, command);
    if (!r) return std::nullopt;
    const auto code = static_cast<uint8_t>(r->code);
    Consume(rules_, r);
    return code;
}

bool SimFaults::TakeSilence(uint8_t command) {
    std::lock_guard lock(mutex_);
    Rule* r = Match(Kind::Silence, command);
    if (!r) return false;
    Consume(rules_, r);
    return true;
}

std::optional<uint8_t> SimFaults::TakeErMessage(uint8_t command) {
    std::lock_guard lock(mutex_);
    Rule* r = Match(Kind::ErMessage, command);
    if (!r) return std::nullopt;
    const auto code = static_cast<uint8_t>(r->code);
    Consume(rules_, r);
    return code;
}

std::vector<std::string> SimFaults::TakeNotifications(uint8_t command) {
    std::lock_guard lock(mutex_);
    Rule* r = Match(Kind::Notify, command);
    std::vector<std::string> tags;
    if (!r) return tags;
    for (size_t at = 0; at < r->tags.size(); at += 3) tags.push_back(r->tags.substr(at, 2));
    Consume(rules_, r);
    return tags;
}

bool SimFaults::TakeBadChecksum(uint8_t command) {
    std::lock_guard lock(mutex_);
    Rule* r = Match(Kind::BadChecksum, command);
    if (!r) return false;
    // Draw only for a true share, so that "1" never consumes random numbers.
    const bool hit = r->share >= 1.0 || std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < r->share;
    if (hit) Consume(rules_, r);
    return hit;
}

std::optional<SimFaults::Split> SimFaults::SplitFor(uint8_t command) {
    std::lock_guard lock(mutex_);
    Rule* r = Match(Kind::Split, command);
    if (!r) return std::nullopt;
    return Split{static_cast<size_t>(r->chunk), r->delayMs};
}

void SimFaults::ClearMemoryErrors() {
    std::lock_guard lock(mutex_);
    std::erase_if(rules_, [](const Rule& r) { return r.kind == Kind::ErrorReply && r.code == 7; });
}

std::vector<std::string> SimFaults::Describe() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    for (const Rule& r : rules_) {
        std::string line(kKindNames[static_cast<int>(r.kind)]);
        line += ' ';
        line += r.command < 0 ? "all" : std::to_string(r.command);
        switch (r.kind) {
            case Kind::ErrorReply:
            case Kind::ErMessage:
            case Kind::Status:
                line += ':' + std::to_string(r.code);
                break;
            case Kind::Notify:
                line += ':' + r.tags;
                break;
            case Kind::BadChecksum:
                line += ':' + std::to_string(r.share);
                break;
            case Kind::Silence:
                break;
            case Kind::Split:
                line += ':' + std::to_string(r.chunk) + ':' + std::to_string(r.delayMs);
                break;
        }
        if (r.remaining > 0) line += ':' + std::to_string(r.remaining);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace qda::sim
