// Reading a search reply: JsonDocument with its paths against a bare Boost.JSON parse and
// lookup of the same five members of every row. Usage: tb_bench_json REPLY.json [benchmark flags]

#include "data/json_document.h"
#include "data/local_text.h"

#include <benchmark/benchmark.h>
#include <boost/json/parse.hpp>
#include <boost/json/value.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

std::string g_replyUtf8;  // as the file holds it
std::string g_replyLocal; // as the text engine hands it over

// (a) What the search does: parse, count the rows, read five members of each by path.
void JsonDocumentPaths(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        tb::JsonDocument document;
        if (!document.Parse(g_replyLocal)) {
            state.SkipWithError("parse failed");
            return;
        }
        std::vector<std::string> rows;
        const int count = document.MemberNames("data.lists", rows);
        for (int k = 0; k < count; ++k) {
            const std::string row = "data.lists[" + std::to_string(k) + "].";
            bytes += document.GetText(row + "FileHash").size();
            bytes += document.GetText(row + "FileName").size();
            bytes += document.GetText(row + "AlbumID").size();
            bytes += document.GetText(row + "HQDuration").size();
            bytes += document.GetText(row + "FileSize").size();
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_replyUtf8.size()));
}

// (b) The library alone: parse the UTF-8 text, walk the rows, copy out the same members.
void BareBoostJson(benchmark::State& state) {
    std::size_t bytes = 0;
    double numbers = 0;
    for (auto _ : state) {
        boost::json::error_code error;
        const boost::json::value reply = boost::json::parse(g_replyUtf8, error);
        if (error) {
            state.SkipWithError("parse failed");
            return;
        }
        for (const auto& row : reply.at("data").at("lists").as_array()) {
            const auto& song = row.as_object();
            bytes += std::string(song.at("FileHash").as_string()).size();
            bytes += std::string(song.at("FileName").as_string()).size();
            bytes += std::string(song.at("AlbumID").as_string()).size();
            numbers += song.at("HQDuration").to_number<double>();
            numbers += song.at("FileSize").to_number<double>();
        }
    }
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(numbers);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_replyUtf8.size()));
}

BENCHMARK(JsonDocumentPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(BareBoostJson)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::cerr << "usage: tb_bench_json REPLY.json [benchmark flags]\n";
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    g_replyUtf8.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    g_replyLocal = tb::Utf8ToLocal(g_replyUtf8);
    if (g_replyUtf8.empty()) {
        std::cerr << "empty or missing reply file: " << argv[1] << "\n";
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
