#pragma once
// Files that appear under their name only once they are whole: written to a temporary file
// in the target's folder first, then moved onto the name without replacing anything there.
// Paths are local text.

#include <optional>
#include <string>
#include <string_view>

namespace tb::platform {

// Creates a new file named prefix + random letters + ".part" in folder ("" for the current
// folder) and writes the bytes into it. Its path, or an empty optional when the file could
// not be created or written whole (nothing is left behind then).
std::optional<std::string> WriteTemporaryFileIn(std::string_view folder, std::string_view prefix,
                                                std::string_view bytes);

// A new temporary file (named like those of WriteTemporaryFileIn) written piece by piece,
// for bytes that arrive over time. The file stays when the object goes; the owner moves it
// onto its name or deletes it.
class TemporaryFile {
public:
    // Empty when no file can be made in folder.
    static std::optional<TemporaryFile> CreateIn(std::string_view folder, std::string_view prefix);
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    ~TemporaryFile();

    const std::string& path() const { return m_path; }
    // Appends the bytes; false when they could not all be written.
    bool append(std::string_view bytes);
    // Empties the file to start again.
    bool restart();
    // Closes the file; true when it was closed cleanly.
    bool close();

private:
    TemporaryFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    int m_fd = -1;
    std::string m_path;
};

enum class MoveResult { Moved, TargetExists, Failed };
// Gives the file at from the name to, in one step, unless something of that name exists
// (TargetExists: from is left as it was). Both must be on one file system.
MoveResult MoveFileNoReplace(std::string_view from, std::string_view to);

// Writes a program file: the bytes in full with mode 0755 under path, or nothing at all.
// False when it was not written, also when something of that name appeared meanwhile.
bool WriteProgramFile(std::string_view path, std::string_view bytes);

// The folder part of a path, up to and including its last "/" ("" when it has none).
std::string FolderOf(std::string_view path);

} // namespace tb::platform
