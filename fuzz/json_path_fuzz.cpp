// A path and a JSON text (fields "path\0json"; without a JSON text a small search reply):
// every read and edit by the path, checked against one another.

#include "data/json_document.h"
#include "fuzz_input.h"

#include <string>
#include <vector>

namespace {

constexpr std::string_view kReply =
    R"({"data":{"total":2,"lists":[{"FileName":"A","FileSize":3932160,"FileHash":"H"},)"
    R"({"FileName":"B","AlbumID":"7","play_url":"http://h/a.mp3"}]},"x":[[1,[2]],{"":null}]})";

void readsAgree(const tb::JsonDocument& document, std::string_view path) {
    std::vector<std::string> names;
    const int count = document.MemberNames(path, names);
    tb::fuzz::require(count == static_cast<int>(names.size()), "MemberNames counts its list");
    tb::fuzz::require(document.Count(path) == count, "Count agrees with MemberNames");
    const int type = document.TypeOf(path);
    tb::fuzz::require(document.Exists(path) == (type > 0), "Exists agrees with TypeOf");
    if (type <= 0) {
        tb::fuzz::require(document.GetText(path).empty(), "a missing value reads empty");
    }
    document.GetText(path, true);
    document.GetNumber(path);
    document.GetElementText(0, path);
    document.GetDocument(path).ToJson();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = tb::fuzz::fields(tb::fuzz::inputText(data, size), 2);
    const std::string_view path = parts[0];
    tb::JsonDocument document;
    if (parts[1].empty() || !document.ParseUtf8(parts[1])) {
        document.ParseUtf8(kReply);
    }
    readsAgree(document, path);
    document.SetValue(path, "v");
    if (document.TypeOf(path) == tb::JsonDocument::kTypeString) {
        tb::fuzz::require(document.GetText(path) == "v", "a stored string reads back");
    }
    document.Append("a", path);
    document.SetJson(path, "[1]");
    document.RemoveElement(path);
    readsAgree(document, path);
    document.ToJson();
    return 0;
}
