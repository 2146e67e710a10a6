#pragma once
// Runs qd-atlas-sim (and qd-atlas-cli) from QDA_BIN_DIR for the end-to-end tests.
#include <sys/types.h>

#include <string>
#include <vector>

// In a GoogleTest body: skips when qd-atlas-sim is not built, fails when it did not start.
#define QDA_REQUIRE_SIM(sim)                                        \
    if (::qda::test::SimProcess::Binary().empty())                  \
        GTEST_SKIP() << "qd-atlas-sim is not built in QDA_BIN_DIR"; \
    ASSERT_TRUE((sim).ok()) << "qd-atlas-sim did not start"

namespace qda::test {

// The directory of the built programs: QDA_BIN_DIR, else the build tree this program runs from
// ("" when neither holds qd-atlas-sim).
std::string BinDir();

// qd-atlas-sim running on a pseudo-terminal for the lifetime of the object.
class SimProcess {
public:
    // Starts the simulator with `args`; ok() tells whether it printed its pty path.
    explicit SimProcess(const std::vector<std::string>& args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return !m_path.empty(); }
    const std::string& SlavePath() const { return m_path; }
    // Sends one control line and returns the simulator's answer line.
    std::string Control(const std::string& line);
    // Path of the simulator binary, "" when it is not built.
    static std::string Binary();

private:
    std::string ReadLine();
    pid_t m_pid = -1;
    int m_in = -1;   // simulator's stdin
    int m_out = -1;  // simulator's stdout
    std::string m_path;
    std::string m_buffer;
};

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args` to completion, capturing both streams.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace qda::test
