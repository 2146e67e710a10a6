#include "settings/MessageFormat.h"

#include <cmath>
#include <vector>

#include "resources/Messages.h"
#include "settings/Units.h"

namespace qda {

namespace {

std::string ArgAsText(const MessageArg& arg, char conversion, int precision) {
    if (conversion == 's') {
        if (const auto* s = std::get_if<std::string>(&arg)) return *s;
        if (const auto* i = std::get_if<int64_t>(&arg)) return std::to_string(*i);
        return FormatFixed(std::get<double>(arg), precision < 0 ? 6 : precision);
    }
    if (conversion == 'f') {
        double x = 0;
        if (const auto* d = std::get_if<double>(&arg)) x = *d;
        if (const auto* i = std::get_if<int64_t>(&arg)) x = static_cast<double>(*i);
        return FormatFixed(x, precision < 0 ? 6 : precision);
    }
    // d, i
    if (const auto* i = std::get_if<int64_t>(&arg)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&arg)) {
        return std::isfinite(*d) ? std::to_string(static_cast<long long>(*d)) : std::string("0");
    }
    return std::get<std::string>(arg);
}

}  // namespace

std::string FormatMessageText(std::string_view format, std::initializer_list<MessageArg> args) {
    std::string out;
    out.reserve(format.size() + 16);
    auto next = args.begin();
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // %[flags][width][.precision][length]conversion
        size_t j = i + 1;
        bool leftAlign = false;
        while (j < format.size() && (format[j] == '-' || format[j] == '+' || format[j] == ' ' ||
                                     format[j] == '#' || format[j] == '0')) {
            leftAlign = leftAlign || format[j] == '-';
            ++j;
        }
        int width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9' && width < 1000) {
            width = width * 10 + (format[j++] - '0');
        }
        int precision = -1;
        if (j < format.size() && format[j] == '.') {
            precision = 0;
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && precision < 100) {
                precision = precision * 10 + (format[j++] - '0');
            }
        }
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h')) ++j;
        const char conversion = j < format.size() ? format[j] : '\0';
        const bool known = conversion == 'd' || conversion == 'i' || conversion == 's' || conversion == 'f';
        if (!known || next == args.end()) {
            out += c;  // not a conversion this formatter fills: keep the text as it stands
            ++i;
            continue;
        }
        std::string value = ArgAsText(*next++, conversion, precision);
        if (static_cast<int>(value.size()) < width) {
            const std::string pad(static_cast<size_t>(width) - value.size(), ' ');
            value = leftAlign ? value + pad : pad + value;
        }
        out += value;
        i = j + 1;
    }
    return out;
}

std::string FormatMessage(int code, std::initializer_list<MessageArg> args) {
    return FormatMessageText(LoadMessage(code), args);
}

}  // namespace qda
