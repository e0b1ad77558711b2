// The public JSON parsing suite, kept in tests/data/files/JSONTestSuite: y_ files hold valid
// JSON, n_ files invalid JSON, i_ files cases where parsers may differ.
#include "data/json_document.h"
#include "data/local_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tb::JsonDocument;

struct SuiteFile {
    std::string name;
    std::string bytes;
};

std::vector<SuiteFile> suiteFiles(char kind) {
    std::vector<SuiteFile> files;
    const fs::path folder = fs::path(TB_TEST_DATA_DIR) / "JSONTestSuite" / "test_parsing";
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 2 && name[0] == kind && name[1] == '_') {
            std::ifstream in(entry.path(), std::ios::binary);
            files.push_back({name, std::string(std::istreambuf_iterator<char>(in), {})});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const SuiteFile& a, const SuiteFile& b) { return a.name < b.name; });
    return files;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

TEST(JsonPeerSuite, EveryValidFileParsesUnlessItsValueIsNull) {
    const auto files = suiteFiles('y');
    ASSERT_GT(files.size(), 90u);
    for (const SuiteFile& file : files) {
        JsonDocument document;
        EXPECT_EQ(document.ParseUtf8(file.bytes), trimmed(file.bytes) != "null") << file.name;
    }
}

TEST(JsonPeerSuite, NoInvalidFileParses) {
    const auto files = suiteFiles('n');
    ASSERT_GT(files.size(), 180u);
    for (const SuiteFile& file : files) {
        JsonDocument document;
        EXPECT_FALSE(document.ParseUtf8(file.bytes)) << file.name;
        EXPECT_EQ(document.ToJson(), "null") << file.name;
    }
}

// Through the local-text entry every byte that is not valid UTF-8 becomes "?" first, so an
// invalid file may turn valid; nothing else may.
TEST(JsonPeerSuite, InvalidFilesParseAsLocalTextOnlyWhenTheirBytesWereRepaired) {
    for (const SuiteFile& file : suiteFiles('n')) {
        JsonDocument document;
        const bool parsed = document.Parse(tb::Utf8ToLocal(file.bytes));
        if (parsed) {
            std::cout << "accepted as local text: " << file.name << "\n";
        }
        EXPECT_TRUE(!parsed || tb::LocalToUtf8(tb::Utf8ToLocal(file.bytes)) != file.bytes)
            << file.name;
    }
}

TEST(JsonPeerSuite, ImplementationDefinedFilesNeverCrash) {
    const auto files = suiteFiles('i');
    ASSERT_GT(files.size(), 30u);
    for (const SuiteFile& file : files) {
        JsonDocument document;
        const bool parsed = document.ParseUtf8(file.bytes);
        std::cout << (parsed ? "accepted: " : "refused:  ") << file.name;
        if (parsed) {
            std::cout << " -> " << document.ToJson().substr(0, 60);
        }
        std::cout << "\n";
        EXPECT_EQ(document.TypeOf("") == JsonDocument::kTypeNull, !parsed) << file.name;
    }
}

} // namespace
