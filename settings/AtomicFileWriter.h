#pragma once
// Writes a file so that a failure never damages the file that is already there: the bytes go to
// a temporary file in the same folder, which replaces the target only after every write and the
// flush to disk succeeded. The temporary file has no name until then (where the file system
// allows it), so a save killed on the way leaves nothing behind; on failure it is removed. A symbolic link is
// followed (the link stays, its target is written), a replaced file keeps its permissions, and a file the
// user may not write is not replaced although its folder would allow it.
#include <string>
#include <string_view>

namespace qda {

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();  // removes the temporary file unless Commit succeeded
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file. False when the target may not be written or the temporary file
    // cannot be created (Error() holds errno).
    bool Open();
    // Appends bytes. False on an I/O error.
    bool Write(std::string_view bytes);
    // Flushes, closes and renames the temporary file over the target. False on any error.
    bool Commit();

    // errno of the first failure (0 while none).
    int Error() const { return m_error; }
    // The system's description of Error().
    std::string ErrorText() const;

private:
    bool Failed(int error);
    void Discard();
    bool CreateNamed();
    bool LinkUnnamed();

    std::string m_path;
    std::string m_tempPath;
    int m_fd = -1;
    int m_error = 0;
    bool m_committed = false;
    bool m_exists = false;
    unsigned m_mode = 0;
};

}  // namespace qda
