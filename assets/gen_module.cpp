// Makes the module the intro plays: synthesises six instruments, composes the song, writes
// it as an XM file of exactly EMBEDDED_MODULE_SIZE bytes, and emits the same bytes both as
// a C++ array (argv[1]) and as a plain .xm file (argv[2]) for listening and comparison.
//
// The file size is met by sizing the lead sample: it holds a slowly beating chorus whose
// tuned loop fills its second half, so its length is free; every other part has a fixed size.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include "assets.h"
#include "music_song.h"
#include "music_synth.h"
#include "music_xm_writer.h"
#include "write_array.h"

namespace {

using namespace music;

// Sample sizes in frames (8-bit: one byte each).
constexpr int KICK_FRAMES = 3600;
constexpr int SNARE_FRAMES = 5600;
constexpr int HAT_FRAMES = 4800;
// Relative notes. The drums play at twice or four times the base rate at C-4, enough for
// their brightness. For the tonal samples the relative note decides which periods of the
// Amiga table their notes use, and so how far the table's rounding spreads them around equal
// temperament (music_tuning.h); these spread the least among cycles long enough for the
// harmonics each needs (cents: bass within 0.8, chord voice 1.8, lead 2.9 of centre).
constexpr int KICK_NOTE = 12;
constexpr int SNARE_NOTE = 24;
constexpr int HAT_NOTE = 24;
constexpr int BASS_NOTE = 10;  // about 57 frames per cycle at A-4
constexpr int LEAD_NOTE = 4;   // about 40 frames
constexpr int CHORD_NOTE = 5;  // about 43 frames
// Tuned loops: the shortest loop (from this many frames on) whose cycle lies within this
// many cents of the ideal.
constexpr int MIN_LOOP_FRAMES = 500;
constexpr double LOOP_TOLERANCE_CENTS = 0.1;
// The lead must stay long enough for its chorus to move (and the module short enough).
constexpr int LEAD_MIN_FRAMES = 8192;

// Sample pannings (128 = centre, higher = further left): the kick and bass in the middle,
// snare a little left, hats right, the chord voice left and the lead right, none far out.
constexpr uint8_t PAN_KICK = 128;
constexpr uint8_t PAN_SNARE = 160;
constexpr uint8_t PAN_HAT = 84;
constexpr uint8_t PAN_BASS = 128;
constexpr uint8_t PAN_LEAD = 56;
constexpr uint8_t PAN_CHORD = 204;

XmEnvelope Envelope(std::vector<std::pair<uint16_t, uint16_t>> points)
{
    XmEnvelope envelope;
    envelope.points = std::move(points);
    envelope.on = true;
    return envelope;
}

XmInstrument Drum(const char* name, std::vector<int8_t> frames, int relative_note, uint8_t panning)
{
    XmInstrument instrument;
    instrument.name = name;
    instrument.sample_name = name;
    instrument.has_sample = true;
    instrument.frames = std::move(frames);
    instrument.relative_note = static_cast<int8_t>(relative_note);
    instrument.panning = panning;
    instrument.volume = 64;
    return instrument;
}

// A sample whose settled sound loops over its last `loop_frames` frames.
void LoopTail(XmInstrument& instrument, int loop_frames)
{
    instrument.loop = XmLoop::FORWARD;
    instrument.loop_length = static_cast<uint32_t>(loop_frames);
    instrument.loop_start = static_cast<uint32_t>(instrument.frames.size()) - loop_frames;
}

// Reports how far the notes an instrument plays lie from equal temperament on its cycle, and
// whether A-4 lies within a cent of 440 Hz.
bool ReportTuning(const char* name, const std::set<int>& notes, int relative_note,
                  double period_shift, double cycle)
{
    double low = 1e9, high = -1e9;
    for (int note : notes) {
        const double cents = CentsOff(note, relative_note, period_shift, cycle);
        low = std::min(low, cents);
        high = std::max(high, cents);
    }
    const double a4 = CentsOff(A4_NOTE, relative_note, period_shift, cycle);
    std::fprintf(stderr, "gen_module: %s: %zu notes from %+.2f to %+.2f cents, A-4 %+.2f\n", name,
                 notes.size(), low, high, a4);
    return std::fabs(a4) <= 1.0;
}

XmInstrument BassInstrument(const std::vector<XmPattern>& patterns)
{
    const std::set<int> notes = NotesPlayed(patterns, INS_BASS);
    const TunedCycle tuned = ShortestLoop(CentredCycle(notes, BASS_NOTE, 0.0), MIN_LOOP_FRAMES,
                                          4000, LOOP_TOLERANCE_CENTS);
    if (!ReportTuning("bass", notes, BASS_NOTE, 0.0, CycleFrames(tuned))) std::abort();
    XmInstrument bass = Drum("bass", SynthBass(tuned), BASS_NOTE, PAN_BASS);
    LoopTail(bass, tuned.loop_frames);
    bass.volume = 44;
    // A plucked start that settles, then a slow decay over a bar and more (no sustain: the
    // score shapes the notes with cuts).
    bass.volume_envelope = Envelope({{0, 64}, {6, 54}, {30, 46}, {96, 34}, {200, 20}, {320, 0}});
    bass.fadeout = 2048;
    return bass;
}

XmInstrument LeadInstrument(const std::vector<XmPattern>& patterns, int frames)
{
    // The loop takes at most half the sample, so the frames before it repeat it exactly. The
    // lead has auto-vibrato.
    const std::set<int> notes = NotesPlayed(patterns, INS_LEAD);
    const double shift = AUTO_VIBRATO_PERIOD_SHIFT;
    const TunedCycle loop = LongLoop(CentredCycle(notes, LEAD_NOTE, shift), frames / 2);
    if (!ReportTuning("lead", notes, LEAD_NOTE, shift, CycleFrames(loop))) std::abort();
    XmInstrument lead = Drum("lead", SynthLead(loop, frames), LEAD_NOTE, PAN_LEAD);
    LoopTail(lead, loop.loop_frames);
    lead.volume = 64;
    // Soft attack, a small decay to the sustain level, a release after key-off.
    lead.volume_envelope = Envelope({{0, 0}, {2, 64}, {10, 52}, {24, 0}});
    lead.volume_envelope.sustain = true;
    lead.volume_envelope.sustain_point = 2;
    lead.fadeout = 1024;
    // A vibrato that fades in over the first 40 ticks of a note.
    lead.vibrato_type = 0;
    lead.vibrato_sweep = 40;
    lead.vibrato_depth = 3;
    lead.vibrato_rate = 14;
    return lead;
}

XmInstrument ChordInstrument(const std::vector<XmPattern>& patterns)
{
    const std::set<int> notes = NotesPlayed(patterns, INS_CHORD);
    const TunedCycle tuned = ShortestLoop(CentredCycle(notes, CHORD_NOTE, 0.0), MIN_LOOP_FRAMES,
                                          4000, LOOP_TOLERANCE_CENTS);
    if (!ReportTuning("chord", notes, CHORD_NOTE, 0.0, CycleFrames(tuned))) std::abort();
    XmInstrument chord =
        Drum("chord", SynthChord(tuned, RateForRelativeNote(CHORD_NOTE)), CHORD_NOTE, PAN_CHORD);
    LoopTail(chord, tuned.loop_frames);
    chord.volume = 56;
    // Pluck, decay, then a gentle swell once per beat (24 ticks) for as long as it sounds.
    chord.volume_envelope = Envelope({{0, 64}, {6, 54}, {18, 48}, {30, 56}, {42, 48}});
    chord.volume_envelope.loop = true;
    chord.volume_envelope.loop_start = 2;
    chord.volume_envelope.loop_end = 4;
    chord.fadeout = 512;
    return chord;
}

XmModule ComposeModule(int lead_frames)
{
    XmModule module;
    module.name = "intro theme";
    module.channels = CHANNELS;
    module.restart_position = 0;
    module.flags = 0;  // Amiga frequency table
    module.speed = 6;
    module.bpm = 125;
    module.orders = SongOrders();
    module.patterns = ComposePatterns();
    module.instruments.push_back(
        Drum("kick", SynthKick(RateForRelativeNote(KICK_NOTE), KICK_FRAMES), KICK_NOTE, PAN_KICK));
    module.instruments.push_back(Drum(
        "snare", SynthSnare(RateForRelativeNote(SNARE_NOTE), SNARE_FRAMES), SNARE_NOTE, PAN_SNARE));
    module.instruments.push_back(
        Drum("hihat", SynthHat(RateForRelativeNote(HAT_NOTE), HAT_FRAMES), HAT_NOTE, PAN_HAT));
    module.instruments.push_back(BassInstrument(module.patterns));
    module.instruments.push_back(LeadInstrument(module.patterns, lead_frames));
    module.instruments.push_back(ChordInstrument(module.patterns));
    while (module.instruments.size() < 31) module.instruments.push_back(XmInstrument{});
    return module;
}

int Fail(const char* message)
{
    std::fprintf(stderr, "gen_module: %s\n", message);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return Fail("usage: gen_module OUT.cpp OUT.xm");

    // Everything but the lead has a fixed size: measure it with a minimal lead, then give
    // the lead whatever is left of the file.
    const XmModule probe = ComposeModule(LEAD_MIN_FRAMES);
    size_t fixed = XmSizeWithoutSampleData(probe);
    for (size_t i = 0; i < probe.instruments.size(); ++i) {
        if (i != INS_LEAD - 1) fixed += probe.instruments[i].frames.size();
    }
    if (fixed + LEAD_MIN_FRAMES > static_cast<size_t>(EMBEDDED_MODULE_SIZE)) {
        return Fail("patterns and samples leave no room for the lead");
    }
    const int lead_frames = EMBEDDED_MODULE_SIZE - static_cast<int>(fixed);
    const std::vector<uint8_t> bytes = WriteXm(ComposeModule(lead_frames));
    if (bytes.size() != static_cast<size_t>(EMBEDDED_MODULE_SIZE)) {
        std::fprintf(stderr, "gen_module: module is %zu bytes, not %d\n", bytes.size(),
                     EMBEDDED_MODULE_SIZE);
        return 1;
    }

    FILE* source = std::fopen(argv[1], "w");
    if (!source) return Fail("cannot write the C++ file");
    std::fprintf(source, "#include \"assets/assets.h\"\n");
    const bool written =
        WriteByteArray(source, "const uint8_t embedded_module[EMBEDDED_MODULE_SIZE]", bytes);
    if (std::fclose(source) != 0 || !written) return Fail("cannot write the C++ file");

    FILE* module = std::fopen(argv[2], "wb");
    if (!module) return Fail("cannot write the .xm file");
    const size_t count = std::fwrite(bytes.data(), 1, bytes.size(), module);
    if (std::fclose(module) != 0 || count != bytes.size()) return Fail("cannot write the .xm file");
    std::fprintf(stderr, "gen_module: %zu bytes, lead sample %d frames\n", bytes.size(),
                 lead_frames);
    return 0;
}
