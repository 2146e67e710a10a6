#include "storage/StorageFileParser.h"

#include <algorithm>

#include "settings/Units.h"

namespace qda {

namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view TrimLeft(std::string_view s) {
    const size_t first = s.find_first_not_of(kWhiteSpace);
    return first == std::string_view::npos ? std::string_view() : s.substr(first);
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    const size_t last = s.find_last_not_of(kWhiteSpace);
    return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

// The declared count: an optional sign and digits of any length, capped at 65536 (a longer
// text is taken as it stands, so its value is decided on all its digits without overflow).
int DeclaredCount(std::string_view field) {
    size_t i = 0;
    bool negative = false;
    if (!field.empty() && (field[0] == '+' || field[0] == '-')) {
        negative = field[0] == '-';
        i = 1;
    }
    if (i >= field.size()) return StorageFileParser::kMaxDeclaredCount;
    int64_t value = 0;
    for (; i < field.size(); ++i) {
        const char c = field[i];
        if (c < '0' || c > '9') return StorageFileParser::kMaxDeclaredCount;
        if (value <= INT32_MAX) value = value * 10 + (c - '0');
    }
    if (negative) return static_cast<int>(-std::min<int64_t>(value, INT32_MAX));
    return static_cast<int>(std::min<int64_t>(value, StorageFileParser::kMaxDeclaredCount));
}

bool IsMarker(int32_t v) {
    return v == kNoValue || v == kPlusOver || v == kMinusOver;
}

}  // namespace

StorageFileParser::StorageFileParser(std::vector<int32_t>& scratch) : m_scratch(scratch) {
    std::fill(m_scratch.begin(), m_scratch.end(), kNoValue);
}

bool StorageFileParser::Fail(std::string reason) {
    if (!m_failed) m_error = "line " + std::to_string(m_lines + 1) + ": " + std::move(reason);
    m_failed = true;
    return false;
}

bool StorageFileParser::AddLine(std::string_view line) {
    if (m_failed) return false;
    if (line.size() > kMaxLineLength) return Fail("line too long");
    const bool ok = m_lines < 4 ? HeaderLine(line) : (Value(m_lines, TrimLeft(line), false), true);
    if (!ok) return false;
    ++m_lines;
    return true;
}

bool StorageFileParser::HeaderLine(std::string_view line) {
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos) return Fail("no comma before the header field");
    const std::string_view field = Trim(line.substr(comma + 1));
    m_valueTexts[m_lines] = std::string(Trim(line.substr(0, comma)));
    switch (m_lines) {
        case 0:
            m_content.name = std::string(field.substr(0, 16));
            break;
        case 1:
            m_content.declaredCount = DeclaredCount(field);
            break;
        case 2:
            m_content.unitText = std::string(field);
            if (!UnitFamilyOfLabel(field, m_content.unitSystem)) return Fail("unknown unit text");
            break;
        case 3: {
            if (std::count(field.begin(), field.end(), '\'') != 2) {
                return Fail("the format text needs exactly two quotes");
            }
            std::string format(field);
            std::erase(format, '\'');
            m_content.formatText = format;
            int row = 6;
            if (!FindRow(m_content.unitText, format, m_content.unitSystem, row)) {
                return Fail("unknown format text for this unit");
            }
            // The row found names the slot's format in both unit systems.
            m_content.mmFormat = row;
            m_content.inchFormat = row;
            break;
        }
    }
    return true;
}

// One value at line position `index`. The value fields of lines 1 to 4 (headerLine) are evaluated
// after the last line; there an empty field beyond the declared count is not a value at all.
void StorageFileParser::Value(int index, std::string_view text, bool headerLine) {
    int32_t v;
    if (index > m_content.declaredCount) {
        if (headerLine && text.empty()) return;
        v = kNoValue;
    } else if (text == "#-----") {
        v = kNoValue;
    } else if (text == "#+OVER") {
        v = kPlusOver;
    } else if (text == "#-OVER") {
        v = kMinusOver;
    } else if (text.empty()) {
        return;  // a blank line is skipped; its position keeps the no-data marker
    } else if (!IsDecimalText(text)) {
        v = kNoValue;
    } else {
        const int family = m_content.unitSystem;
        v = ClassifySample(ParseLength(text, family, m_content.mmFormat, m_content.inchFormat), family,
                           m_content.mmFormat, m_content.inchFormat);
    }
    ++m_content.valuesRead;
    // Positions beyond the slot's capacity cannot be kept; they still count as read, so the
    // count mismatch tells the user that values were left out.
    if (index >= static_cast<int>(m_scratch.size())) return;
    m_scratch[index] = v;
    m_highest = std::max(m_highest, index);
    if (!IsMarker(v)) ++m_content.validCount;
}

bool StorageFileParser::Finish(StorageFileContent& content) {
    if (m_failed) return false;
    // Without lines 3 and 4 neither the unit nor the format of the values is known.
    if (m_lines < 4) return Fail("missing header line");
    for (int i = 0; i < 4; ++i) Value(i, m_valueTexts[i], true);
    m_content.count = m_highest + 1;
    std::string& name = m_content.name;
    if (name.find_first_of(",.") != std::string::npos || !IsSingleByteText(name)) name.clear();
    content = m_content;
    return true;
}

}  // namespace qda
