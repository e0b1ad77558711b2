#pragma once
// A new file written beside its target under a temporary name, flushed to disk, and then
// given the target's name without replacing anything there: a reader (or a crash) sees
// either no file under the target's name or the whole one. Paths are local text.

#include "platform/positional_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tb::tags {

enum class PublishResult {
    Published,    // the file is under the target's name
    TargetExists, // something of that name was there: it is left alone
    Failed        // nothing was written under the target's name
};

class FileBeside {
public:
    explicit FileBeside(std::string_view target);
    // Removes the temporary file unless it was published.
    ~FileBeside();
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;

    // Creates the temporary file ("TARGET.<random>.tbnew"); false when none can be made.
    bool create();
    // Appends the bytes; false when they could not all be written.
    bool append(std::string_view bytes);
    // Flushes the file, closes it and moves it onto the target's name.
    PublishResult publish();

private:
    void removeTemporary();

    std::string m_target;
    std::string m_temporary; // empty until created
    platform::PositionalFile m_file;
    std::uint64_t m_size = 0;
};

} // namespace tb::tags
