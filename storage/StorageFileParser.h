#pragma once
// The reading rules of the storage data file, line by line, independent of where the lines come
// from (CStorageFile::Read feeds the lines of a file; the fuzz target feeds arbitrary bytes).
//
// A file holds one value per line; lines 1 to 4 also carry the header fields after a comma:
// name, declared number of values, unit text and the quoted format text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qda {

// What a successful read yields.
struct StorageFileContent {
    std::string name;       // emptied when it held ",", "." or a double-byte character
    int declaredCount = 0;  // line 2, capped at 65536
    int valuesRead = 0;     // values counted as read (markers included)
    int count = 0;          // samples the slot takes: up to the last position that held a value
    int validCount = 0;     // samples that are not markers
    int unitSystem = 2;     // 0 metric, 1 inch
    int mmFormat = 6;
    int inchFormat = 6;
    std::string unitText;    // as written on line 3
    std::string formatText;  // as written on line 4, without the quotes
    // The number of values read differs from the declared count (the read still succeeds).
    bool CountMismatch() const { return valuesRead != declaredCount; }
};

class StorageFileParser {
public:
    // The longest line accepted; a storage data file's lines are a few dozen bytes.
    static constexpr size_t kMaxLineLength = 4096;
    static constexpr int kMaxDeclaredCount = 65536;

    // `scratch` receives the samples by line position; all its entries are set to the no-data
    // marker first. Its size is the most samples a file can give.
    explicit StorageFileParser(std::vector<int32_t>& scratch);

    // Takes the next line, its line end removed. Returns false once the text is known not to be a
    // storage data file (Error() says why); later lines are then ignored.
    bool AddLine(std::string_view line);
    // After the last line: evaluates the value fields of lines 1 to 4 and fills `content`.
    // Returns false when the file is not a storage data file.
    bool Finish(StorageFileContent& content);

    // Why the text was refused (empty while it is acceptable).
    const std::string& Error() const { return m_error; }

private:
    bool Fail(std::string reason);
    bool HeaderLine(std::string_view line);
    void Value(int index, std::string_view text, bool headerLine);

    std::vector<int32_t>& m_scratch;
    StorageFileContent m_content;
    std::string m_valueTexts[4];
    int m_lines = 0;
    int m_highest = -1;  // highest position that holds a counted value
    bool m_failed = false;
    std::string m_error;
};

}  // namespace qda
