#include "cli/CliArgs.h"

#include <algorithm>
#include <charconv>

namespace qda::cli {

std::optional<std::string> CliArgs::TakeOption(const std::string& name, const std::string& shortName) {
    for (size_t i = 0; i < m_words.size(); ++i) {
        if (m_words[i] != name && (shortName.empty() || m_words[i] != shortName)) continue;
        if (i + 1 >= m_words.size()) {
            AddError("option " + m_words[i] + " needs a value");
            m_words.erase(m_words.begin() + static_cast<long>(i));
            return std::nullopt;
        }
        std::string value = m_words[i + 1];
        m_words.erase(m_words.begin() + static_cast<long>(i), m_words.begin() + static_cast<long>(i) + 2);
        return value;
    }
    return std::nullopt;
}

bool CliArgs::TakeFlag(const std::string& name) {
    auto it = std::find(m_words.begin(), m_words.end(), name);
    if (it == m_words.end()) return false;
    m_words.erase(it);
    return true;
}

std::optional<std::string> CliArgs::TakePositional() {
    for (size_t i = 0; i < m_words.size(); ++i) {
        const std::string& w = m_words[i];
        // A lone "-" or a negative number is a value, not an option.
        const bool looksLikeOption = w.size() > 1 && w[0] == '-' && !(w[1] >= '0' && w[1] <= '9');
        if (looksLikeOption) continue;
        std::string value = w;
        m_words.erase(m_words.begin() + static_cast<long>(i));
        return value;
    }
    return std::nullopt;
}

bool CliArgs::CheckAllConsumed(std::ostream& err) const {
    for (const auto& e : m_errors) err << e << "\n";
    for (const auto& w : m_words) err << "unexpected argument: " << w << "\n";
    return m_errors.empty() && m_words.empty();
}

std::optional<long> ParseIntArg(const std::string& text, long min, long max) {
    long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty() || value < min || value > max) return std::nullopt;
    return value;
}

}  // namespace qda::cli
