#pragma once
// Fills the printf-style conversions of a message text ("%d", "%s", "%4.3f", "%%") with values.
// Safe for any text: each conversion takes the next value (converted to the conversion's kind), a
// conversion without a value stays as written, and numbers always use "." as decimal point.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace qda {

using MessageArg = std::variant<int64_t, double, std::string>;

// The message text with its conversions replaced by `args` in order.
std::string FormatMessageText(std::string_view format, std::initializer_list<MessageArg> args);

// LoadMessage(code) formatted with `args`.
std::string FormatMessage(int code, std::initializer_list<MessageArg> args);

}  // namespace qda
