#include "resources/lang/LanguageTables.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>

namespace qda {
namespace {

// Well-formed UTF-8 (no overlongs, no surrogates): the texts go into QString::fromUtf8 and message
// boxes, where broken sequences would show as replacement marks.
bool IsUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

// Calls `onLine(number, fields)` for each non-comment line; stops and fails on the first fault.
template <typename OnLine>
bool ForEachLine(std::string_view data, std::size_t columns, std::string& error, OnLine onLine) {
    if (data.size() > kMaxLanguageTableBytes) {
        error = "table larger than " + std::to_string(kMaxLanguageTableBytes) + " bytes";
        return false;
    }
    if (!IsUtf8(data)) {
        error = "table is not UTF-8 text";
        return false;
    }
    int number = 0;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t end = data.find('\n', pos);
        if (end == std::string_view::npos) end = data.size();
        std::string_view line = data.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line.size() > kMaxLanguageLineBytes) {
            error = where + "longer than " + std::to_string(kMaxLanguageLineBytes) + " bytes";
            return false;
        }
        const std::vector<std::string_view> fields = SplitTabs(line);
        if (fields.size() != columns) {
            error = where + std::to_string(fields.size()) + " fields instead of " + std::to_string(columns);
            return false;
        }
        std::string reason;
        if (!onLine(fields, reason)) {
            error = where + reason;
            return false;
        }
    }
    return true;
}

}  // namespace

bool UnescapeField(std::string_view field, std::string& out) {
    out.clear();
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out.push_back(field[i]);
            continue;
        }
        if (++i == field.size()) return false;
        switch (field[i]) {
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                return false;
        }
    }
    return true;
}

bool ParseStringTable(std::string_view data, std::vector<TranslatedString>& out, std::string& error) {
    out.clear();
    std::set<int> seen;
    const bool ok =
        ForEachLine(data, 3, error, [&](const std::vector<std::string_view>& f, std::string& why) {
            int id = 0;
            const auto [end, ec] = std::from_chars(f[0].data(), f[0].data() + f[0].size(), id);
            if (ec != std::errc() || end != f[0].data() + f[0].size() || id < 0) {
                why = "bad string id \"" + std::string(f[0]) + "\"";
                return false;
            }
            if (!seen.insert(id).second) {
                why = "string id " + std::to_string(id) + " repeated";
                return false;
            }
            TranslatedString s{id, {}, {}};
            if (!UnescapeField(f[1], s.japanese) || !UnescapeField(f[2], s.text)) {
                why = "bad escape";
                return false;
            }
            out.push_back(std::move(s));
            return true;
        });
    if (!ok) out.clear();
    return ok;
}

bool ParseUiTable(std::string_view data, std::vector<TranslatedUiText>& out, std::string& error) {
    out.clear();
    std::set<std::string> seen;
    const bool ok =
        ForEachLine(data, 2, error, [&](const std::vector<std::string_view>& f, std::string& why) {
            TranslatedUiText t;
            if (!UnescapeField(f[0], t.japanese) || !UnescapeField(f[1], t.text)) {
                why = "bad escape";
                return false;
            }
            if (t.japanese.empty()) {
                why = "empty Japanese text";
                return false;
            }
            if (!seen.insert(t.japanese).second) {
                why = "text repeated";
                return false;
            }
            out.push_back(std::move(t));
            return true;
        });
    if (!ok) out.clear();
    return ok;
}

std::vector<std::string> FormatConversions(std::string_view text) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) continue;
        if (text[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        if (text[j] >= '1' && text[j] <= '9') {
            // Either a Qt marker ("%1") or a printf width ("%5d"): a conversion letter decides.
            std::size_t k = j;
            while (k < text.size() && (std::isdigit(static_cast<unsigned char>(text[k])) || text[k] == '.'))
                ++k;
            if (k < text.size() && std::isalpha(static_cast<unsigned char>(text[k]))) {
                found.emplace_back(text.substr(i, k + 1 - i));
                i = k;
            } else {
                std::size_t d = j;
                while (d < text.size() && d < j + 2 && std::isdigit(static_cast<unsigned char>(text[d]))) ++d;
                found.emplace_back(text.substr(i, d - i));
                i = d - 1;
            }
            continue;
        }
        while (j < text.size() &&
               std::string_view("-+ #0.123456789lh").find(text[j]) != std::string_view::npos)
            ++j;
        if (j < text.size() && std::isalpha(static_cast<unsigned char>(text[j]))) {
            found.emplace_back(text.substr(i, j + 1 - i));
            i = j;
        }
    }
    return found;
}

namespace {

int MnemonicCount(std::string_view text) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (i + 1 < text.size() && text[i + 1] == '&') {
            ++i;
            continue;
        }
        ++count;
    }
    return count;
}

}  // namespace

bool SamePlaceholders(std::string_view japanese, std::string_view translation) {
    if (FormatConversions(japanese) != FormatConversions(translation)) return false;
    if (MnemonicCount(japanese) != MnemonicCount(translation)) return false;
    for (char c : {'\n', '\r', '\t'}) {
        if (std::count(japanese.begin(), japanese.end(), c) !=
            std::count(translation.begin(), translation.end(), c))
            return false;
    }
    return true;
}

}  // namespace qda
