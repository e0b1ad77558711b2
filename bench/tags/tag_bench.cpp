// One 5 MB song written with its tag (title, artist, album, the demo cover and lyrics) in front,
// as a new flushed file beside the target, against a plain copy of the same file.
// Usage: tb_bench_tags FOLDER [benchmark options]; FOLDER is where the songs are written.

#include "data/local_text.h"
#include "tags/tagged_song.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSongBytes = 5 * 1024 * 1024;
fs::path g_folder;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A source of 5 MB: the demo song's frames over and over.
fs::path makeSource() {
    const std::string frames = readFile(fs::path(TB_SOURCE_DIR) / "tools/demo/data/audio/01.mp3");
    const fs::path source = g_folder / "source.mp3.tbpart";
    std::ofstream out(source, std::ios::binary);
    for (std::size_t written = 0; written < kSongBytes; written += frames.size()) {
        out << frames.substr(0, kSongBytes - written);
    }
    return source;
}

tb::tags::SongTag demoTag() {
    const fs::path demo = fs::path(TB_SOURCE_DIR) / "tools/demo/data";
    tb::tags::TagFacts facts;
    facts.songName = tb::Utf8ToLocal("晨光里的歌");
    facts.authorName = tb::Utf8ToLocal("林默");
    facts.albumName = tb::Utf8ToLocal("晨光");
    facts.lyrics = tb::Utf8ToLocal(readFile(demo / "lyrics/01.lrc"));
    facts.coverBytes = readFile(demo / "covers/01.jpg");
    return tb::tags::MakeSongTag(facts, "");
}

void TagOneSong(benchmark::State& state) {
    const fs::path source = makeSource();
    const tb::tags::SongTag tag = demoTag();
    const fs::path target = g_folder / "晨光里的歌.mp3";
    for (auto _ : state) {
        const auto result = tb::tags::WriteTaggedSong(tb::Utf8ToLocal(source.string()),
                                                      tb::Utf8ToLocal(target.string()), tag);
        if (result != tb::tags::PublishResult::Published) {
            state.SkipWithError("the song was not written");
            break;
        }
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSongBytes));
}

void CopyOneSong(benchmark::State& state) {
    const fs::path source = makeSource();
    const fs::path target = g_folder / "copy.mp3";
    for (auto _ : state) {
        fs::copy_file(source, target);
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSongBytes));
}

BENCHMARK(TagOneSong)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyOneSong)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !fs::is_directory(argv[1])) {
        std::cerr << "usage: tb_bench_tags FOLDER [benchmark options]\n";
        return 2;
    }
    g_folder = argv[1];
    argv[1] = argv[0];
    benchmark::Initialize(&--argc, argv + 1);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
