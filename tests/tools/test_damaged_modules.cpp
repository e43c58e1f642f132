// Damaged modules are the module's fault, never the command line's. For every cut inside the
// song header and for random damage to real modules, the tools' load either refuses the module
// (exit 1, said in one line) or gives a song that the default choice (no options) accepts: the
// tools never answer a damaged module with the usage exit status. The instrument and sample
// names that --info lists are read from the same damaged bytes, inside the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "player/player.h"
#include "tests/corpus_dir.h"
#include "tools/common/module_file.h"
#include "tools/common/module_names.h"
#include "tools/common/song_choice.h"

namespace {

std::vector<std::filesystem::path> CorpusSongs(const std::filesystem::path& corpus)
{
    std::vector<std::filesystem::path> songs;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "songs")) {
        if (entry.path().extension() == ".xm") songs.push_back(entry.path());
    }
    std::sort(songs.begin(), songs.end());
    return songs;
}

std::vector<uint8_t> Bytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// What the tools decide for these bytes without options: "refused" (exit 1), "accepted", or
// "usage" (exit 2, the fault).
std::string Decision(const std::vector<uint8_t>& bytes, std::vector<std::string>* messages)
{
    const SongChoice no_options;
    Song* song = LoadChosenModule(bytes, no_options, messages);
    if (song == nullptr) return "refused";
    std::string option, reason;
    const bool accepted = CheckSongChoice(no_options, song, &option, &reason);
    FreeSong(song);
    return accepted ? "accepted" : "usage: " + option + ": " + reason;
}

TEST(DamagedModules, AFileEndingInsideTheSongHeaderIsRefusedInOneLine)
{
    std::filesystem::path corpus;
    SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);
    const std::vector<uint8_t> whole = Bytes(CorpusSongs(corpus).front());
    for (size_t length = 17; length <= XM_SONG_HEADER_BYTES; ++length) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + length);
        std::vector<std::string> messages;
        const std::string decision = Decision(cut, &messages);
        if (length < XM_SONG_HEADER_BYTES) {
            ASSERT_EQ(decision, "refused") << length << " bytes";
            ASSERT_EQ(messages.size(), 1u) << length << " bytes";
            EXPECT_EQ(messages[0], "too short for an XM module: the file ends inside the song "
                                   "header (" + std::to_string(XM_SONG_HEADER_BYTES - length) +
                                       " of its 336 bytes missing)");
        } else {
            EXPECT_EQ(decision, "accepted") << "the whole header, nothing after it";
        }
        EXPECT_TRUE(InstrumentAndSampleNames(cut).empty());
    }
}

TEST(DamagedModules, RandomDamageIsRefusedOrPlayedNeverAUsageError)
{
    std::filesystem::path corpus;
    SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);
    std::mt19937 random(19);
    int refused = 0, accepted = 0;
    for (const std::filesystem::path& path : CorpusSongs(corpus)) {
        const std::vector<uint8_t> whole = Bytes(path);
        for (int trial = 0; trial < 60; ++trial) {
            std::vector<uint8_t> bytes = whole;
            // Some changed bytes (the first 17, the identification, stay), sometimes a cut.
            const int changes = 1 + static_cast<int>(random() % 24);
            for (int k = 0; k < changes; ++k) {
                const size_t at = 17 + random() % (bytes.size() - 17);
                bytes[at] = static_cast<uint8_t>(random());
            }
            if (trial % 3 == 0) bytes.resize(17 + random() % (bytes.size() - 17));
            std::vector<std::string> messages;
            const std::string decision = Decision(bytes, &messages);
            ASSERT_NE(decision.substr(0, 5), "usage") << path.filename() << " trial " << trial
                                                      << ": " << decision;
            (decision == "refused" ? refused : accepted) += 1;
            if (decision == "refused") {
                EXPECT_FALSE(messages.empty());
            }
            for (const PartName& part : InstrumentAndSampleNames(bytes)) {
                EXPECT_FALSE(part.name.empty());
                for (char c : part.name) EXPECT_TRUE(c >= 32 && c < 127) << part.name;
            }
        }
    }
    // Both outcomes occur, so both paths were taken.
    EXPECT_GT(refused, 0);
    EXPECT_GT(accepted, 0);
}

}  // namespace
