// The embedded module through the player: loaded from the memory source as the intro loads
// it, rendered once for the whole song and on into its second pass (the intro loops it for
// ever), and measured as a listener meets it: level, peak, stereo, spectral balance, silence,
// and the tuning of every tonal instrument.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/assets.h"
#include "player/placeholders.h"
#include "player/playback.h"
#include "player/player.h"
#include "player/song.h"
#include "player/source.h"
#include "tests/assets/audio_measures.h"

namespace {

using namespace audio_measures;

constexpr int ORDERS = 20;
constexpr int64_t FRAMES_PER_ORDER = 64 * 6 * 882;  // rows x ticks x frames per tick at 125 BPM
constexpr int64_t SONG_FRAMES = ORDERS * FRAMES_PER_ORDER;
constexpr int64_t SEAM_FRAMES = 2 * 44100;  // rendered past the end, into the second pass

// Where the loader's stream stood when it closed the source.
int32_t position_at_close = -1;

void CloseAndRecordPosition(void* source)
{
    position_at_close = TellMemorySource(source);
    CloseMemorySource(source);
}

Song* LoadEmbeddedModule()
{
    RegisterMemoryModule(embedded_module, EMBEDDED_MODULE_SIZE);
    RegisterSourceCallbacks(OpenMemorySource, CloseAndRecordPosition, ReadMemorySource,
                            SeekMemorySource, TellMemorySource);
    return LoadSong(embedded_module, nullptr);
}

// Plays a loaded song from its start: `frames` stereo frames of the PCM the intro hands to
// its sound device.
std::vector<int16_t> Render(Song* song, int64_t frames)
{
    ResetPlayback(song);
    AllocateRingBuffers();
    std::vector<int16_t> pcm;
    pcm.reserve(static_cast<size_t>(2 * frames));
    while (static_cast<int64_t>(pcm.size()) < 2 * frames) {
        const int16_t* block = pcm_ring + static_cast<size_t>(write_block) * block_frames * 2;
        FillBlock();
        const size_t wanted = std::min<size_t>(2 * block_frames, 2 * frames - pcm.size());
        pcm.insert(pcm.end(), block, block + wanted);
    }
    ReleasePlaybackBuffers();
    return pcm;
}

struct SongRender {
    std::vector<int16_t> pcm;  // the whole song, then SEAM_FRAMES of its second pass
    int order_at_end = -1;     // the order playing once the whole song has been rendered
};

const SongRender& WholeSong()
{
    static const SongRender render = [] {
        SongRender result;
        Song* song = LoadEmbeddedModule();
        if (song == nullptr) return result;
        result.pcm = Render(song, SONG_FRAMES);
        result.order_at_end = song->order;
        FreeSong(song);
        // The loop as the intro plays it: the second pass follows without a new start.
        song = LoadEmbeddedModule();
        std::vector<int16_t> on = Render(song, SONG_FRAMES + SEAM_FRAMES);
        FreeSong(song);
        result.pcm.insert(result.pcm.end(), on.end() - 2 * SEAM_FRAMES, on.end());
        return result;
    }();
    return render;
}

// The song's first pass only.
std::vector<int16_t> FirstPass()
{
    const std::vector<int16_t>& pcm = WholeSong().pcm;
    return std::vector<int16_t>(pcm.begin(),
                                pcm.begin() + std::min<size_t>(pcm.size(), 2 * SONG_FRAMES));
}

std::vector<int16_t> Order(int order)
{
    const std::vector<int16_t>& pcm = WholeSong().pcm;
    return std::vector<int16_t>(pcm.begin() + 2 * order * FRAMES_PER_ORDER,
                                pcm.begin() + 2 * (order + 1) * FRAMES_PER_ORDER);
}

double Rms(const std::vector<int16_t>& pcm)
{
    return FULL_SCALE * std::pow(10.0, RmsDbfs(pcm) / 20);
}

}  // namespace

TEST(EmbeddedModuleLoad, LoadsWithTheExpectedShape)
{
    Song* song = LoadEmbeddedModule();
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->channel_count, 4);
    EXPECT_EQ(song->song_length, 20);
    EXPECT_EQ(song->restart_position, 0);
    EXPECT_EQ(song->pattern_count, 18);
    EXPECT_EQ(song->used_pattern_count, 18);
    EXPECT_EQ(song->instrument_count, 31);
    EXPECT_EQ(song->song_flags, 0);
    EXPECT_EQ(song->default_speed, 6);
    EXPECT_EQ(song->default_bpm, 125);
    for (int p = 0; p < song->pattern_count; ++p) {
        EXPECT_EQ(song->patterns[p].rows, 64) << "pattern " << p;
        EXPECT_NE(song->patterns[p].cells, nullptr) << "pattern " << p;
    }
    for (int i = 0; i < song->instrument_count; ++i) {
        const Instrument& instrument = song->instruments[i];
        EXPECT_EQ(instrument.sample_count, i < 6 ? 1 : 0) << "instrument " << i + 1;
        if (i < 6 && instrument.sample_count == 1) {
            const Sample* sample = instrument.samples[0];
            EXPECT_EQ(sample->bits, 16);
            EXPECT_NE(sample->data, nullptr);
            EXPECT_GT(sample->length, 0u);
            EXPECT_LE(sample->loop_start + sample->loop_length, sample->length);
        } else {
            EXPECT_EQ(instrument.samples[0], &silent_sample) << "instrument " << i + 1;
        }
    }
    FreeSong(song);
}

TEST(EmbeddedModuleLoad, LoaderReadsTheFileToItsLastByte)
{
    position_at_close = -1;
    Song* song = LoadEmbeddedModule();
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(position_at_close, EMBEDDED_MODULE_SIZE);
    FreeSong(song);
}

TEST(EmbeddedModulePlayback, TheSongEndsWhereItStartsOver)
{
    ASSERT_FALSE(WholeSong().pcm.empty());
    // After exactly 20 orders the position has returned to the restart position.
    EXPECT_EQ(WholeSong().order_at_end, 0);
}

// Mastered like a release: loud, with a peak a decibel below full scale, never clipped.
TEST(EmbeddedModulePlayback, IsLoudWithHeadroomAndNeverClips)
{
    ASSERT_FALSE(WholeSong().pcm.empty());
    const std::vector<int16_t> song = FirstPass();
    EXPECT_NEAR(RmsDbfs(song), -16.0, 1.0);
    EXPECT_LE(PeakDbfs(WholeSong().pcm), -1.0);
    EXPECT_EQ(ClippedSamples(WholeSong().pcm), 0);
}

TEST(EmbeddedModulePlayback, EverySectionIsAudibleAndTheThemeStandsOut)
{
    ASSERT_FALSE(WholeSong().pcm.empty());
    for (int order = 0; order < ORDERS; ++order) {
        EXPECT_GT(RmsDbfs(Order(order)), -26.0) << "order " << order;
    }
    const double intro = Rms(Order(0));
    for (int order : {4, 5, 12, 13}) EXPECT_GT(Rms(Order(order)), 1.25 * intro) << order;
}

// Wide but not split: the instruments sit at different places between the speakers, and no
// second of the song leans far to one side.
TEST(EmbeddedModulePlayback, IsSpreadAcrossTheStereoField)
{
    ASSERT_FALSE(WholeSong().pcm.empty());
    EXPECT_LE(LeftRightCorrelation(FirstPass()), 0.8);
    const std::vector<int16_t>& pcm = WholeSong().pcm;
    for (size_t start = 0; start + 2 * 44100 <= pcm.size(); start += 2 * 44100) {
        double left = 0.0, right = 0.0;
        for (size_t i = start; i < start + 2 * 44100; i += 2) {
            left += double(pcm[i]) * pcm[i];
            right += double(pcm[i + 1]) * pcm[i + 1];
        }
        EXPECT_LT(std::fabs(10.0 * std::log10(left / right)), 6.0)
            << "second " << start / (2 * 44100);
    }
}

// Bright and tight rather than boomy: little energy in the lowest bass, some in the treble.
TEST(EmbeddedModulePlayback, KeepsTheLowBassInCheckAndHasTreble)
{
    ASSERT_FALSE(WholeSong().pcm.empty());
    const SpectrumShares shares = MeasureSpectrum(FirstPass());
    EXPECT_LE(shares.low_bass, 0.12);
    EXPECT_GE(shares.above_4k, 0.03);
}

// One piece when looped: nowhere, the return to the start included, does the music stop.
TEST(EmbeddedModulePlayback, NeverFallsIntoDigitalSilence)
{
    ASSERT_FALSE(WholeSong().pcm.empty());
    EXPECT_LE(LongestDigitalSilence(WholeSong().pcm), 44100 / 20);
    // The loudness just before the end and just after the start differ by a few decibels at
    // most: the last order leads into the first.
    const std::vector<double> levels = WindowRms(WholeSong().pcm, 44100);
    const size_t end = SONG_FRAMES / 44100;
    EXPECT_LT(std::fabs(Decibels(levels[end - 1] / levels[end + 1])), 6.0);
}

// Every tonal instrument plays the A above middle C at 440 Hz, measured on the player's
// rendering of a held A-4: a song with the one note in place of its first pattern.
TEST(EmbeddedModulePlayback, TonalInstrumentsAreTunedToA440)
{
    constexpr uint8_t A4 = 58;  // cell note: C-0 is 1
    const int TONAL[] = {4, 5, 6};
    for (int instrument : TONAL) {
        Song* song = LoadEmbeddedModule();
        ASSERT_NE(song, nullptr);
        Pattern& first = song->patterns[song->order_table[0]];
        std::fill_n(first.cells, first.rows * song->channel_count, NoteCell{});
        first.cells[0] = NoteCell{A4, static_cast<uint8_t>(instrument), 0, 0, 0};
        const std::vector<int16_t> pcm = Render(song, 3 * 44100);
        FreeSong(song);
        // Two seconds of the held note, once its attack has settled.
        const double hz = HeldToneFrequency(pcm, 44100 / 2, 2 * 44100, 440.0);
        EXPECT_NEAR(Cents(hz, 440.0), 0.0, 1.0) << "instrument " << instrument << ": " << hz;
    }
}
