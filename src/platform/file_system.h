#pragma once
// Whole-file operations on paths in local text. Failures are values: false or an empty
// optional, never an exception.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tb::platform {

// True when path names an existing file that is not a folder.
bool FileExists(std::string_view path);
// True when path names an existing folder.
bool FolderExists(std::string_view path);

// The file's bytes; empty optional when it cannot be read (missing, a folder, no access).
std::optional<std::string> ReadWholeFile(std::string_view path);
// Reads the file from start to end, handing each piece of at most 64 KB to piece; false
// when it cannot be read (then some pieces may have been handed over already).
bool ReadFileInPieces(std::string_view path, const std::function<void(std::string_view)>& piece);
// Creates or overwrites the file with the bytes. False when any step fails.
bool WriteWholeFile(std::string_view path, std::string_view bytes);
// Appends the bytes with one write at the end of the file (created when missing), so
// records of several processes appending to the same file stay whole.
bool AppendToFile(std::string_view path, std::string_view bytes);
// Replaces the file's content in one step: the bytes go to a new file in the same folder,
// reach the disk, and that file is renamed over the path, so a crash leaves the old content
// or the new one, never a part. A link is followed; an existing file keeps its permissions,
// and one that may not be written is left alone. False when any step fails; the old
// content is then untouched.
bool ReplaceFileContents(std::string_view path, std::string_view bytes);
// Deletes a file (never a folder). False when nothing was deleted.
bool DeleteFile(std::string_view path);

// Creates one folder level; the parent must exist. False when the folder was not created,
// including when it already exists.
bool CreateFolder(std::string_view path);
// Creates the folder and any missing parents. True when the folder exists afterwards.
bool CreateFolderPath(std::string_view path);

} // namespace tb::platform
