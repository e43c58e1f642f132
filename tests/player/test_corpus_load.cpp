// Every module of the corpus loads, agrees with the counts its manifest lists, satisfies
// the song invariants and is freed without a leak (LeakSanitizer checks at exit).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "player/player.h"
#include "player/song.h"
#include "tests/corpus_dir.h"
#include "tests/player/song_checks.h"
#include "tests/player/xm_builder.h"

namespace {

namespace fs = std::filesystem;

struct ManifestCounts {
    int channels, patterns, orders, instruments, samples;
    bool linear;
};

// The manifest's notes column reads like "2ch 4pat 4ord 1ins 1smp; freq=linear; ...".
std::map<std::string, ManifestCounts> ReadManifest(const fs::path& corpus)
{
    std::map<std::string, ManifestCounts> counts;
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    std::string line;
    while (std::getline(manifest, line)) {
        // Tried at every number in the line; sscanf rather than <regex>, in which GCC 12
        // warns under the sanitizers.
        for (size_t at = 0; at < line.size(); at++) {
            if (!std::isdigit(static_cast<unsigned char>(line[at]))) continue;
            if (at > 0 && std::isdigit(static_cast<unsigned char>(line[at - 1]))) continue;
            ManifestCounts c{};
            char freq[16] = {};
            if (std::sscanf(line.c_str() + at, "%dch %dpat %dord %dins %dsmp; freq=%15[a-z]",
                            &c.channels, &c.patterns, &c.orders, &c.instruments, &c.samples,
                            freq) == 6) {
                c.linear = std::string(freq) == "linear";
                counts[line.substr(0, line.find('\t'))] = c;
                break;
            }
        }
    }
    return counts;
}

TEST(CorpusLoad, EveryModuleLoadsWithTheCountsOfItsManifest)
{
    fs::path corpus;
    SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);
    std::map<std::string, ManifestCounts> manifest = ReadManifest(corpus);
    int modules = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (entry.path().extension() != ".xm") continue;
        std::string name = fs::relative(entry.path(), corpus).string();
        SCOPED_TRACE(name);
        std::ifstream file(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
        Song* song = xm::LoadBytes(bytes);
        ASSERT_NE(song, nullptr);
        modules++;
        ExpectSongConsistent(song);
        int samples = 0;
        for (int32_t i = 0; i < song->instrument_count; i++) {
            samples += song->instruments[i].sample_count;
        }
        auto listed = manifest.find(name);
        if (listed != manifest.end()) {
            const ManifestCounts& c = listed->second;
            EXPECT_EQ(song->channel_count, c.channels);
            EXPECT_GE(song->pattern_count, c.patterns);
            EXPECT_EQ(song->song_length, c.orders);
            EXPECT_EQ(song->instrument_count, c.instruments);
            EXPECT_EQ(samples, c.samples);
            EXPECT_EQ(song->song_flags & 1, c.linear ? 1 : 0);
        } else {
            ADD_FAILURE() << "not in the manifest";
        }
        EXPECT_TRUE(FreeSong(song));
    }
    EXPECT_GE(modules, 20);
}

}  // namespace
