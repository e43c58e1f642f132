// Writing music into patterns: note names, one cell at a time, melodies from a short text,
// drum bars from a row string, bass and chord bars from a chord. The composition itself
// (which bar plays what) is in music_song.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "music_xm_writer.h"

namespace music {

// Channels and instruments of the module.
constexpr int CH_DRUMS = 0;
constexpr int CH_BASS = 1;
constexpr int CH_CHORDS = 2;
constexpr int CH_LEAD = 3;
constexpr int CHANNELS = 4;
constexpr int ROWS = 64;
constexpr int BAR_ROWS = 16;

constexpr uint8_t INS_KICK = 1;
constexpr uint8_t INS_SNARE = 2;
constexpr uint8_t INS_HAT = 3;
constexpr uint8_t INS_BASS = 4;
constexpr uint8_t INS_LEAD = 5;
constexpr uint8_t INS_CHORD = 6;

// XM effect numbers.
constexpr uint8_t FX_ARPEGGIO = 0x0;
constexpr uint8_t FX_TONE_PORTA = 0x3;
constexpr uint8_t FX_VIBRATO = 0x4;
constexpr uint8_t FX_SET_PANNING = 0x8;
constexpr uint8_t FX_VOLUME_SLIDE = 0xA;
constexpr uint8_t FX_SET_VOLUME = 0xC;
constexpr uint8_t FX_EXTENDED = 0xE;
constexpr uint8_t FX_MULTI_RETRIGGER = 27;  // R
constexpr uint8_t EXT_RETRIGGER = 0x90;
constexpr uint8_t EXT_NOTE_CUT = 0xC0;
constexpr uint8_t EXT_NOTE_DELAY = 0xD0;

constexpr uint8_t VOLUME_SLIDE_DOWN = 0x60;  // volume column: down by y on every tick of the row

constexpr uint8_t Volume(int volume) { return static_cast<uint8_t>(0x10 + volume); }

// "A4", "G#3", "C5" → XM note (C-0 = 1). Sharps only.
inline uint8_t Note(const std::string& name)
{
    static const int semitones[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    int semitone = semitones[name[0] - 'A'];
    size_t next = 1;
    if (name.size() > 2 && name[1] == '#') {
        semitone += 1;
        next = 2;
    }
    const int octave = name[next] - '0';
    return static_cast<uint8_t>(1 + 12 * octave + semitone);
}

inline void SetNote(XmPattern& pattern, int row, int channel, uint8_t note, uint8_t instrument,
                    uint8_t volume = 0)
{
    XmCell& cell = CellAt(pattern, row, channel);
    cell.note = note;
    cell.instrument = instrument;
    if (volume) cell.volume = volume;
}
inline void SetEffect(XmPattern& pattern, int row, int channel, uint8_t effect, uint8_t parameter)
{
    XmCell& cell = CellAt(pattern, row, channel);
    cell.effect = effect;
    cell.parameter = parameter;
}
inline void KeyOff(XmPattern& pattern, int row, int channel)
{
    if (row < pattern.rows) CellAt(pattern, row, channel).note = XM_KEY_OFF;
}

// A chord as an arpeggio: the lowest note of the voicing and the two intervals above it.
struct Chord {
    const char* low;    // arpeggio base note
    uint8_t intervals;  // 0xXY for effect 0xy
    const char* bass;   // bass root
};

// Drum bar from a row string, one character per row:
//   K kick, S snare, s ghost snare, h closed hat (cut after three ticks), x soft closed hat,
//   o open hat, d hat delayed by three ticks (swing), r snare retriggered every 3 ticks,
//   . nothing.
inline void DrumBar(XmPattern& pattern, int bar, const std::string& rows, int level = 64)
{
    for (int i = 0; i < BAR_ROWS && i < static_cast<int>(rows.size()); ++i) {
        const int row = bar * BAR_ROWS + i;
        const bool on_beat = i % 4 == 0;
        auto scaled = [&](int volume) { return Volume(volume * level / 64); };
        switch (rows[i]) {
        case 'K': SetNote(pattern, row, CH_DRUMS, Note("C4"), INS_KICK, scaled(64)); break;
        case 'S': SetNote(pattern, row, CH_DRUMS, Note("C4"), INS_SNARE, scaled(58)); break;
        case 's': SetNote(pattern, row, CH_DRUMS, Note("C4"), INS_SNARE, scaled(24)); break;
        case 'h':
            SetNote(pattern, row, CH_DRUMS, Note("C4"), INS_HAT, scaled(on_beat ? 64 : 58));
            SetEffect(pattern, row, CH_DRUMS, FX_EXTENDED, EXT_NOTE_CUT | 3);
            break;
        case 'x':
            SetNote(pattern, row, CH_DRUMS, Note("C4"), INS_HAT, scaled(48));
            SetEffect(pattern, row, CH_DRUMS, FX_EXTENDED, EXT_NOTE_CUT | 2);
            break;
        case 'o': SetNote(pattern, row, CH_DRUMS, Note("A3"), INS_HAT, scaled(50)); break;
        case 'd':
            SetNote(pattern, row, CH_DRUMS, Note("C4"), INS_HAT, scaled(44));
            SetEffect(pattern, row, CH_DRUMS, FX_EXTENDED, EXT_NOTE_DELAY | 3);
            break;
        case 'r':
            SetNote(pattern, row, CH_DRUMS, Note("C4"), INS_SNARE, scaled(44));
            SetEffect(pattern, row, CH_DRUMS, FX_EXTENDED, EXT_RETRIGGER | 3);
            break;
        default: break;
        }
    }
}

// Bass bar styles. The bass is shaped by note cuts rather than key-offs: its envelope decays
// by itself, and a cut ends a note at an exact tick.
enum class BassStyle {
    HELD,   // one note for the bar, ringing into the next
    PULSE,  // staccato eighths: root, root, octave, root ... each cut three ticks into its second
            // row
    DRIVE,  // syncopated 3-3-2 pattern with octave jumps, a short gap before the last note
};

inline void CutNote(XmPattern& pattern, int row, int channel, int tick)
{
    SetEffect(pattern, row, channel, FX_EXTENDED, static_cast<uint8_t>(EXT_NOTE_CUT | tick));
}

inline void BassBar(XmPattern& pattern, int bar, const Chord& chord, BassStyle style,
                    int volume = 0)
{
    const int base = bar * BAR_ROWS;
    const uint8_t root = Note(chord.bass);
    const uint8_t octave = static_cast<uint8_t>(root + 12);
    const uint8_t level = volume ? Volume(volume) : 0;
    switch (style) {
    case BassStyle::HELD: SetNote(pattern, base, CH_BASS, root, INS_BASS, level); break;
    case BassStyle::PULSE: {
        static const int steps[8] = {0, 0, 12, 0, 0, 0, 12, 7};
        for (int i = 0; i < 8; ++i) {
            SetNote(pattern, base + 2 * i, CH_BASS, static_cast<uint8_t>(root + steps[i]), INS_BASS,
                    level);
            CutNote(pattern, base + 2 * i + 1, CH_BASS, 3);
        }
        break;
    }
    case BassStyle::DRIVE: {
        static const int rows[6] = {0, 3, 6, 8, 11, 14};
        for (int i = 0; i < 6; ++i) {
            const uint8_t note = (i == 2 || i == 5) ? octave : root;
            SetNote(pattern, base + rows[i], CH_BASS, note, INS_BASS, level);
        }
        CutNote(pattern, base + 13, CH_BASS, 3);
        break;
    }
    }
}

// Chord bar: the arpeggio effect runs on every row of the bar; the chord is struck on the
// rows the rhythm string marks with 'x' (and on row 0 always).
inline void ChordBar(XmPattern& pattern, int bar, const Chord& chord, const std::string& rhythm,
                     int volume)
{
    const int base = bar * BAR_ROWS;
    for (int i = 0; i < BAR_ROWS; ++i) {
        const bool strike = i == 0 || (i < static_cast<int>(rhythm.size()) && rhythm[i] == 'x');
        if (strike)
            SetNote(pattern, base + i, CH_CHORDS, Note(chord.low), INS_CHORD, Volume(volume));
        SetEffect(pattern, base + i, CH_CHORDS, FX_ARPEGGIO, chord.intervals);
    }
}

// A melody from text: space-separated notes "E5:6" (note, length in rows), rests "-:4".
// Suffixes after the length: '~' vibrato from the third row of the note on, '/' glide into
// the note from the one before (tone portamento, no restart), '\'' key-off at the note's end.
// Notes are otherwise legato; a rest keys the note before it off.
struct MelodyVoice {
    int channel;
    uint8_t instrument;
    int volume;           // 0: the sample's own volume
    uint8_t vibrato;      // 4xy parameter for '~'
    uint8_t glide_speed;  // 3xx parameter for '/'
    uint8_t panning;      // 0: the sample's own; else set on every struck note (8xx)
};

inline int Melody(XmPattern& pattern, int start_row, const MelodyVoice& voice,
                  const std::string& text)
{
    std::istringstream tokens(text);
    std::string token;
    int row = start_row;
    while (tokens >> token) {
        const size_t colon = token.find(':');
        const std::string name = token.substr(0, colon);
        const int length = std::atoi(token.c_str() + colon + 1);
        const bool vibrato = token.find('~') != std::string::npos;
        const bool glide = token.find('/') != std::string::npos;
        const bool release = token.find('\'') != std::string::npos;
        if (name == "-") {
            KeyOff(pattern, row, voice.channel);
        } else if (row < pattern.rows) {
            if (glide) {
                SetNote(pattern, row, voice.channel, Note(name), 0);
                SetEffect(pattern, row, voice.channel, FX_TONE_PORTA, voice.glide_speed);
            } else {
                SetNote(pattern, row, voice.channel, Note(name), voice.instrument,
                        voice.volume ? Volume(voice.volume) : 0);
                if (voice.panning)
                    SetEffect(pattern, row, voice.channel, FX_SET_PANNING, voice.panning);
            }
            if (vibrato) {
                for (int r = row + 2; r < row + length && r < pattern.rows; ++r) {
                    SetEffect(pattern, r, voice.channel, FX_VIBRATO, voice.vibrato);
                }
            }
            if (release) KeyOff(pattern, row + length, voice.channel);
        }
        row += length;
    }
    if (row > pattern.rows) {
        std::fprintf(stderr, "gen_module: melody runs %d rows past its pattern: %s\n",
                     row - pattern.rows, text.c_str());
        std::abort();
    }
    return row;
}

}  // namespace music
