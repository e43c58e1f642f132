// Makes the module the intro plays: synthesises six instruments, composes the song, writes
// it as an XM file of exactly EMBEDDED_MODULE_SIZE bytes, and emits the same bytes both as
// a C++ array (argv[1]) and as a plain .xm file (argv[2]) for listening and comparison.
//
// The file size is met by sizing the lead sample: it holds a slowly beating chorus played
// with a ping-pong loop, so its length is free; every other part has a fixed size.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "assets.h"
#include "music_song.h"
#include "music_synth.h"
#include "music_xm_writer.h"
#include "write_array.h"

namespace {

using namespace music;

// Sample sizes in frames (8-bit: one byte each).
constexpr int KICK_FRAMES = 5000;
constexpr int SNARE_FRAMES = 3800;
constexpr int HAT_FRAMES = 4200;
constexpr int BASS_CYCLE = 128;  // frames per cycle; with relative note 24 plays C at C-4
constexpr int BASS_CYCLES = 16;
constexpr int CHORD_CYCLE = 64;  // with relative note 12 plays C at C-4
constexpr int CHORD_CYCLES = 40;
constexpr int LEAD_CYCLE = 64;
constexpr int LEAD_LOOP_START = 64;
// The lead must stay long enough for its chorus to move (and the module short enough).
constexpr int LEAD_MIN_FRAMES = 8192;

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

XmInstrument BassInstrument()
{
    XmInstrument bass = Drum("bass", SynthBass(BASS_CYCLE, BASS_CYCLES, BASS_CYCLES - 2), 24, 128);
    bass.loop = XmLoop::FORWARD;
    bass.loop_start = BASS_CYCLE * (BASS_CYCLES - 1);
    bass.loop_length = BASS_CYCLE;
    bass.volume = 36;
    // A plucked start that settles and holds until key-off, then a quick release.
    bass.volume_envelope = Envelope({{0, 64}, {10, 50}, {16, 0}});
    bass.volume_envelope.sustain = true;
    bass.volume_envelope.sustain_point = 1;
    bass.fadeout = 2048;
    return bass;
}

XmInstrument LeadInstrument(int frames)
{
    XmInstrument lead = Drum("lead", SynthLead(LEAD_CYCLE, frames), 12, 84);
    lead.loop = XmLoop::PING_PONG;
    lead.loop_start = LEAD_LOOP_START;
    lead.loop_length = static_cast<uint32_t>(frames - LEAD_LOOP_START);
    lead.volume = 50;
    // Soft attack, a small decay to the sustain level, a release after key-off.
    lead.volume_envelope = Envelope({{0, 0}, {3, 64}, {12, 48}, {30, 0}});
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

XmInstrument ChordInstrument()
{
    XmInstrument chord = Drum(
        "chord", SynthChord(CHORD_CYCLE, CHORD_CYCLES, CHORD_CYCLES - 2, RateForRelativeNote(12)),
        12, 168);
    chord.loop = XmLoop::FORWARD;
    chord.loop_start = CHORD_CYCLE * (CHORD_CYCLES - 1);
    chord.loop_length = CHORD_CYCLE;
    chord.volume = 48;
    // Pluck, decay, then a gentle swell once per beat (24 ticks) for as long as it sounds.
    chord.volume_envelope = Envelope({{0, 64}, {6, 46}, {18, 36}, {30, 44}, {42, 36}});
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
        Drum("kick", SynthKick(RateForRelativeNote(12), KICK_FRAMES), 12, 128));
    module.instruments.push_back(
        Drum("snare", SynthSnare(RateForRelativeNote(12), SNARE_FRAMES), 12, 142));
    module.instruments.push_back(
        Drum("hihat", SynthHat(RateForRelativeNote(24), HAT_FRAMES), 24, 104));
    module.instruments.push_back(BassInstrument());
    module.instruments.push_back(LeadInstrument(lead_frames));
    module.instruments.push_back(ChordInstrument());
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
