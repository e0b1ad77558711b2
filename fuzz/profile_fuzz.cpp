// Profile (INI) files over any content and names (fields "content\0section\0key\0value").
// A read never returns more than its limit; a write either leaves the file as it was or
// stores the value so that the next read gives it back; plain names are always written.
// Each process works on one file in a folder of its own (in /dev/shm when there is one).

#include "fuzz_input.h"
#include "layout/profile_file.h"
#include "layout/profile_text.h"
#include "platform/file_system.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using tb::fuzz::require;

fs::path makeScratchFolder() {
    std::error_code error;
    const fs::path shm("/dev/shm");
    const fs::path base = fs::is_directory(shm, error) ? shm : fs::temp_directory_path(error);
    std::string pattern = (base / "tb-fuzz-profile-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("fuzz_profile: no scratch folder");
        std::abort();
    }
    return pattern;
}

// The scratch folder, made on first use and removed when the process ends normally.
const fs::path& scratchFolder() {
    static const fs::path folder = makeScratchFolder();
    static const bool cleanupSet = std::atexit([] {
                                       std::error_code ignored;
                                       fs::remove_all(folder, ignored);
                                   }) == 0;
    (void)cleanupSet;
    return folder;
}

bool isBlank(char byte) {
    return static_cast<unsigned char>(byte) <= 32;
}

// What a read gives for a stored value: blanks around it and one pair of wrapping quotes go.
std::string asRead(std::string_view value) {
    while (!value.empty() && isBlank(value.front())) {
        value.remove_prefix(1);
    }
    while (!value.empty() && isBlank(value.back())) {
        value.remove_suffix(1);
    }
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Printable ASCII without the bytes that mean something on a profile line.
bool plainName(std::string_view name) {
    if (tb::layout::ProfileName(name).empty()) {
        return false;
    }
    for (const char c : name) {
        if (c < 0x21 || c > 0x7E || c == '[' || c == ']' || c == '=' || c == ';') {
            return false;
        }
    }
    return true;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

void readIsBounded(const std::string& file, std::string_view section, std::string_view key) {
    const std::string value = tb::layout::ReadProfileString(file, section, key);
    require(value.size() <= tb::layout::kMaxProfileValueBytes, "a read stays within its limit");
    const bool blankName =
        tb::layout::ProfileName(section).empty() || tb::layout::ProfileName(key).empty();
    require(!blankName || value.empty(), "a blank name reads nothing");
}

void writeReadsBack(const std::string& file, std::string_view content, std::string_view section,
                    std::string_view key, std::string_view value) {
    using namespace tb::layout;
    const bool written = WriteProfileString(file, section, key, value);
    const std::string stored = tb::platform::ReadWholeFile(file).value_or(std::string());
    if (!written) {
        require(stored == content, "a refused write leaves the file as it was");
        require(!plainName(section) || !plainName(key) || hasLineBreak(value),
                "plain names and a one-line value are written");
        return;
    }
    if (value.size() <= kMaxProfileValueBytes) {
        require(ReadProfileString(file, section, key) == asRead(value),
                "a written value reads back");
    }
    require(SetProfileValue(stored, section, key, value) == stored,
            "writing the same value again changes nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = tb::fuzz::fields(tb::fuzz::inputText(data, size), 4);
    const std::string file = (scratchFolder() / "profile.ini").string();
    if (!tb::platform::WriteWholeFile(file, parts[0])) {
        std::perror("fuzz_profile: cannot write the scratch file");
        std::abort();
    }
    readIsBounded(file, parts[1], parts[2]);
    writeReadsBack(file, parts[0], parts[1], parts[2], parts[3]);
    tb::platform::DeleteFile(file);
    return 0;
}
