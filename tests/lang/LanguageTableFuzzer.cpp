// Fuzzes the parsers of a language module's tables: whatever the bytes, they answer true or false,
// and what they accept obeys the table's own rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "resources/lang/LanguageTables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    std::vector<qda::TranslatedString> strings;
    if (qda::ParseStringTable(text, strings, error)) {
        std::set<int> ids;
        for (const auto& s : strings)
            if (s.id < 0 || !ids.insert(s.id).second) std::abort();
    } else if (!strings.empty() || error.empty()) {
        std::abort();
    }
    std::vector<qda::TranslatedUiText> ui;
    if (qda::ParseUiTable(text, ui, error)) {
        for (const auto& t : ui)
            if (t.japanese.empty()) std::abort();
    }
    for (const auto& s : strings) qda::SamePlaceholders(s.japanese, s.text);
    qda::FormatConversions(text);
    return 0;
}
