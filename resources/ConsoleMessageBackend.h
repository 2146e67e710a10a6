#pragma once
// The message backend of qd-atlas-cli: prints every message to a stream (standard error) and
// answers at once, without asking anyone, so that a command never waits for input.
//
// Answers: a box with only an OK button answers OK. A question answers its refusing button (no
// for yes/no, cancel for OK/cancel and yes/no/cancel), because a command run from a script must not
// clear stored data or overwrite anything on its own. With assume-yes (the command was told to go
// ahead, e.g. by a "--yes" switch) a question answers its agreeing button (yes, or OK).
#include <iosfwd>
#include <mutex>

#include "resources/MessageBackend.h"

namespace qda {

class ConsoleMessageBackend : public IMessageBackend {
public:
    // Writes to standard error.
    ConsoleMessageBackend();
    explicit ConsoleMessageBackend(std::ostream& out, bool assumeYes = false);

    void SetAssumeYes(bool assumeYes) { m_assumeYes = assumeYes; }
    bool AssumeYes() const { return m_assumeYes; }

    // Prints "caption: text" (a question adds the answer given) and returns that answer.
    int Show(const std::string& caption, const std::string& text, unsigned style) override;
    // The answer Show gives for `style`.
    int AnswerFor(unsigned style) const;

private:
    std::ostream& m_out;
    bool m_assumeYes = false;
    std::mutex m_lock;  // one message at a time on the stream
};

}  // namespace qda
