#pragma once
// The text tables a language module carries, parsed from their tab-separated form.
//
// strings.tsv: `id<TAB>Japanese text<TAB>text` per line; ui.tsv: `Japanese text<TAB>text`. Both
// escape line feed, carriage return, tab and backslash as \n, \r, \t, \\; lines starting with '#'
// and empty lines are comments. Parsing is bounded and refuses the whole table on the first fault.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qda {

// Largest table accepted, and largest line; a module's tables are far smaller.
constexpr std::size_t kMaxLanguageTableBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxLanguageLineBytes = 16 * 1024;

struct TranslatedString {
    int id;
    std::string japanese;
    std::string text;
};

struct TranslatedUiText {
    std::string japanese;
    std::string text;
};

// Parses a strings.tsv table into `out` (replaced). Returns false with a reason naming the line in
// `error` for an oversized table or line, a wrong column count, a bad or repeated id, a bad escape
// or text that is not UTF-8; `out` is then empty.
bool ParseStringTable(std::string_view data, std::vector<TranslatedString>& out, std::string& error);

// Parses a ui.tsv table into `out` (replaced); the same faults as ParseStringTable, a repeated
// Japanese key included.
bool ParseUiTable(std::string_view data, std::vector<TranslatedUiText>& out, std::string& error);

// Decodes the escapes of one field. Returns false for a lone or unknown backslash escape.
bool UnescapeField(std::string_view field, std::string& out);

// The conversions a formatting routine reads from a text: printf conversions ("%s", "%4.3f",
// "%5d"; "%%" is none) and Qt argument markers ("%1".."%99"), in order of appearance.
std::vector<std::string> FormatConversions(std::string_view text);

// True when `translation` can stand in for `japanese` wherever the program formats or lays it out:
// the same conversions in the same order, the same number of '&' mnemonics ("&&" is a literal
// ampersand), and the same number of line feeds, carriage returns and tabs (the settings list is
// tab-separated).
bool SamePlaceholders(std::string_view japanese, std::string_view translation);

}  // namespace qda
