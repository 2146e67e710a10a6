#pragma once
// Runs the built qd-atlas-cli with arguments and collects its exit code and output.
#include <string>
#include <vector>

namespace qda::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs $QDA_BIN_DIR/qd-atlas-cli with `args` (no shell involved) and waits for it.
CliResult RunCli(const std::vector<std::string>& args);

// A fresh, empty folder for one test; removed by the destructor.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace qda::test
