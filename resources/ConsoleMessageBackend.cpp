#include "resources/ConsoleMessageBackend.h"

#include <iostream>

#include "resources/Messages.h"

namespace qda {

namespace {

// The button set is the low four bits of the style word.
constexpr unsigned kButtonMask = 0x0F;

const char* AnswerName(int answer) {
    switch (answer) {
        case IDOK:
            return "OK";
        case IDCANCEL:
            return "Cancel";
        case IDYES:
            return "Yes";
        case IDNO:
            return "No";
        default:
            return "?";
    }
}

}  // namespace

ConsoleMessageBackend::ConsoleMessageBackend() : m_out(std::cerr) {}

ConsoleMessageBackend::ConsoleMessageBackend(std::ostream& out, bool assumeYes)
    : m_out(out), m_assumeYes(assumeYes) {}

int ConsoleMessageBackend::AnswerFor(unsigned style) const {
    switch (style & kButtonMask) {
        case MB_OK:
            return IDOK;
        case MB_OKCANCEL:
            return m_assumeYes ? IDOK : IDCANCEL;
        case MB_YESNO:
            return m_assumeYes ? IDYES : IDNO;
        case MB_YESNOCANCEL:
            return m_assumeYes ? IDYES : IDCANCEL;
        default:
            return IDCANCEL;  // other button sets (retry/cancel, ...): never go ahead
    }
}

int ConsoleMessageBackend::Show(const std::string& caption, const std::string& text, unsigned style) {
    const int answer = AnswerFor(style);
    std::lock_guard guard(m_lock);
    m_out << caption << ": " << text;
    if (text.empty() || text.back() != '\n') m_out << '\n';
    if ((style & kButtonMask) != MB_OK) m_out << caption << ": -> " << AnswerName(answer) << '\n';
    m_out.flush();
    return answer;
}

}  // namespace qda
