// The composition: 18 patterns of four 16-row bars in A minor, 20 orders, built to loop: the
// last order turns round on E major and falls back into the first, so the intro's endless
// playback sounds like one piece.
//
//   orders 0-1    intro      plucked chords and offbeat hats, a lead note swells in; the
//                            kick and pulsing bass join, a snare roll leads on
//   orders 2-3    groove     full drums, pulsing bass, plucked chords, a bell riff (right)
//   orders 4-7    theme      the lead's melody A, B, A, C over Am F C G
//   orders 8-11   break      Dm Am F E: the bell answers, the lead sings long notes, the kick
//                            returns on every beat, then the riser: a snare roll doubling
//                            its pace under a lead that glides up an octave
//   orders 12-15  return     the theme again with glides, busier chords and drums
//   orders 16-19  outro      groove with the bell, a last echo of the theme, the drums thin
//                            out, and the turnaround whose lead falls to G sharp and resolves
//                            on the first order's A minor
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "music_score.h"

namespace music {

const Chord AM{"A3", 0x37, "A2"};
const Chord F{"F3", 0x47, "F2"};
const Chord C{"G3", 0x59, "C3"};
const Chord G{"G3", 0x47, "G2"};
const Chord DM{"A3", 0x58, "D3"};
const Chord E{"G#3", 0x38, "E2"};

const Chord MAIN[4] = {AM, F, C, G};
const Chord BREAK[4] = {DM, AM, F, E};
const Chord BUILD[4] = {F, G, E, E};
const Chord TURN[4] = {AM, F, G, E};

// Chord rhythms: 'x' strikes the chord (row 0 always strikes).
const char* const CHORD_PLUCK = "x..x..x.x..x..x.";
const char* const CHORD_BUSY = "x.xx.x.xx.xx.x.x";
const char* const CHORD_HALF = "x.......x.......";

// Drum bars.
const char* const DRUM_GROOVE = "K.hxS.hxK.hxS.ho";
const char* const DRUM_GROOVE_B = "K.hxS.hxK.hKS.hd";
const char* const DRUM_FILL = "K.hxS.hsK.S.SrSr";
const char* const DRUM_HATS = "x.h.x.h.x.h.x.h.";
const char* const DRUM_INTRO = "K.h.x.h.K.h.x.h.";
const char* const DRUM_FOUR = "K.hxK.hxK.hxK.ho";

// The theme, one string per four-bar pattern.
const char* const THEME_A =
    "E5:6 D5:2 E5:4 A5:4 G5:6 F5:2 E5:4 C5:4 E5:6 D5:2 C5:4 G4:4 B4:6 C5:2 D5:8~'";
const char* const THEME_B =
    "E5:6 D5:2 E5:4 A5:4 C6:6 B5:2 A5:4 F5:4 G5:6 E5:2 G5:4 C6:4 B5:6 A5:2 G5:4 D5:4'";
const char* const THEME_C =
    "A5:6 G5:2 E5:4 D5:4 C5:6 D5:2 E5:4 F5:2 E5:2 D5:2 E5:6/~ C5:4 G4:4 A4:4 B4:2 C5:2 A4:6~ -:2";
// The return: the same lines with glides into the long notes.
const char* const THEME_A2 =
    "E5:6 D5:2 E5:4 A5:4/ G5:6 F5:2 E5:4 C5:4 E5:6 D5:2 C5:4 G4:4 B4:6 C5:2 D5:2 E5:6/~'";
const char* const THEME_B2 =
    "E5:6 D5:2 E5:4 A5:4/ C6:6/ B5:2 A5:4 F5:4 G5:6 E5:2 G5:4 C6:4/ B5:6 A5:2 G5:4 D5:4'";
const char* const THEME_C2 =
    "A5:6 G5:2 E5:4 D5:4 C5:6 D5:2 E5:4 F5:2 E5:2 D5:2 E5:6/~ C5:4 G4:4 A4:4 B4:2 C5:2 A4:6~ -:2";

// Panning of the bell when it plays on the lead's channel: right of centre, answering the
// chords on the left.
constexpr uint8_t BELL_PANNING = 64;

const MelodyVoice LEAD{CH_LEAD, INS_LEAD, 0, 0x41, 0x10, 0};
const MelodyVoice LEAD_SOFT{CH_LEAD, INS_LEAD, 54, 0x41, 0x08, 0};
const MelodyVoice LEAD_QUIET{CH_LEAD, INS_LEAD, 36, 0x41, 0x08, 0};
const MelodyVoice BELL{CH_LEAD, INS_CHORD, 50, 0x41, 0x10, BELL_PANNING};
const MelodyVoice BELL_QUIET{CH_LEAD, INS_CHORD, 30, 0x41, 0x10, BELL_PANNING};

inline void ChordBars(XmPattern& pattern, const Chord* chords, const char* rhythm, int volume)
{
    for (int bar = 0; bar < 4; ++bar) ChordBar(pattern, bar, chords[bar], rhythm, volume);
}
inline void BassBars(XmPattern& pattern, const Chord* chords, BassStyle style, int volume = 0)
{
    for (int bar = 0; bar < 4; ++bar) BassBar(pattern, bar, chords[bar], style, volume);
}
inline void DrumBars(XmPattern& pattern, const char* a, const char* b, const char* c, const char* d,
                     int level = 64)
{
    DrumBar(pattern, 0, a, level);
    DrumBar(pattern, 1, b, level);
    DrumBar(pattern, 2, c, level);
    DrumBar(pattern, 3, d, level);
}

// Intro 1: plucked chords and offbeat hats over a held bass; the lead resolves the
// turnaround's G sharp to A, then a high E swells in and bends down to D.
inline XmPattern IntroOne()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, MAIN, CHORD_PLUCK, 30);
    BassBars(p, MAIN, BassStyle::HELD, 20);
    DrumBars(p, DRUM_HATS, DRUM_HATS, DRUM_HATS, DRUM_HATS, 34);
    Melody(p, 0, LEAD_QUIET, "A4:12~' -:20");
    SetNote(p, 32, CH_LEAD, Note("E5"), INS_LEAD, Volume(12));
    for (int row = 33; row < 60; row += 2) SetEffect(p, row, CH_LEAD, FX_VOLUME_SLIDE, 0x20);
    SetNote(p, 48, CH_LEAD, Note("D5"), 0);
    SetEffect(p, 48, CH_LEAD, FX_TONE_PORTA, 0x04);
    KeyOff(p, 60, CH_LEAD);
    return p;
}

// Intro 2: the kick and the pulsing bass join; the last bar ends in a growing snare roll.
inline XmPattern IntroTwo()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, MAIN, CHORD_PLUCK, 50);
    BassBars(p, MAIN, BassStyle::PULSE, 32);
    DrumBars(p, DRUM_INTRO, DRUM_INTRO, DRUM_INTRO, "K.h.x.h.S.SsSrSr", 52);
    // The roll grows: a multi retrigger that raises the volume on each hit.
    SetEffect(p, 60, CH_DRUMS, FX_MULTI_RETRIGGER, 0x92);
    SetEffect(p, 62, CH_DRUMS, FX_MULTI_RETRIGGER, 0xA2);
    return p;
}

// Bell riff over the groove, in bars 2 and 4.
inline void BellRiff(XmPattern& p)
{
    Melody(p, 16, BELL, "E5:3 D5:3 C5:2 A4:4 -:4");
    Melody(p, 48, BELL, "E5:3 G5:3 A5:2 E5:4 -:4");
}

inline XmPattern Groove(bool fill_at_end)
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, MAIN, CHORD_PLUCK, 60);
    BassBars(p, MAIN, BassStyle::PULSE);
    DrumBars(p, DRUM_GROOVE, DRUM_GROOVE, DRUM_GROOVE, fill_at_end ? DRUM_FILL : DRUM_GROOVE_B);
    if (fill_at_end) BellRiff(p);
    return p;
}

inline XmPattern Theme(const char* melody, const char* last_drum_bar, const char* chord_rhythm,
                       BassStyle bass)
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, MAIN, chord_rhythm, 62);
    BassBars(p, MAIN, bass);
    DrumBars(p, DRUM_GROOVE, DRUM_GROOVE_B, DRUM_GROOVE, last_drum_bar);
    Melody(p, 0, LEAD, melody);
    return p;
}

// Break 1: no drums; held bass, held chords, the bell answers.
inline XmPattern BreakOne()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, BREAK, CHORD_HALF, 30);
    BassBars(p, BREAK, BassStyle::HELD, 18);
    Melody(p, 0, BELL_QUIET,
           "A5:4 F5:4 D5:4 E5:4 E5:4 C5:4 A4:8 A5:4 G5:4 F5:4 C5:4 B4:4 G#4:4 E5:8'");
    return p;
}

// Break 2: hats return quietly, the lead sings long notes.
inline XmPattern BreakTwo()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, BREAK, CHORD_HALF, 38);
    BassBars(p, BREAK, BassStyle::HELD, 22);
    DrumBars(p, DRUM_HATS, DRUM_HATS, DRUM_HATS, DRUM_HATS, 36);
    Melody(p, 0, LEAD_QUIET, "F5:12~ E5:4 E5:8~ C5:8 C5:6 D5:2 E5:4 F5:4 E5:4 G#5:12/~'");
    return p;
}

// Break 3: the kick returns on every beat under the plucked chords.
inline XmPattern BreakThree()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, BREAK, CHORD_PLUCK, 54);
    BassBars(p, BREAK, BassStyle::DRIVE, 32);
    DrumBars(p, DRUM_FOUR, DRUM_FOUR, DRUM_FOUR, "K.h.K.h.K.S.S.SS", 56);
    Melody(p, 0, LEAD_SOFT,
           "A5:6 F5:2 D5:8~ E5:6 C5:2 A4:8~ A5:6 G5:2 F5:4 C5:4 B4:4 D5:4 E5:6~ -:2");
    return p;
}

// Build-up: a snare roll that doubles its pace every bar while everything rises.
inline XmPattern BuildUp()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    const int chord_volumes[4] = {46, 52, 58, 64};
    for (int bar = 0; bar < 4; ++bar) ChordBar(p, bar, BUILD[bar], CHORD_BUSY, chord_volumes[bar]);
    BassBars(p, BUILD, BassStyle::PULSE, 34);
    DrumBars(p, "K.x.S.x.K.x.S.x.", "K.S.S.S.K.S.S.S.", "SSSSSSSSSSSSSSSS", "SSSSSSSSSSSSSSSS", 48);
    for (int row = 0; row < ROWS; ++row) {
        XmCell& cell = CellAt(p, row, CH_DRUMS);
        if (cell.instrument == INS_SNARE) cell.volume = Volume(std::min(64, 24 + row * 2 / 3));
    }
    for (int row = 48; row < ROWS; ++row)
        SetEffect(p, row, CH_DRUMS, FX_EXTENDED, EXT_RETRIGGER | 2);
    // The lead climbs to the return in one long glide.
    SetNote(p, 32, CH_LEAD, Note("E4"), INS_LEAD, Volume(28));
    SetNote(p, 36, CH_LEAD, Note("E5"), 0);
    for (int row = 36; row < 62; ++row) SetEffect(p, row, CH_LEAD, FX_TONE_PORTA, 0x01);
    for (int row = 37; row < 62; row += 3) SetEffect(p, row, CH_LEAD, FX_VOLUME_SLIDE, 0x20);
    KeyOff(p, 62, CH_LEAD);
    return p;
}

// Outro 1 and 2: the groove winds down, the lead echoes the theme's opening once.
inline XmPattern OutroOne()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, MAIN, CHORD_PLUCK, 60);
    BassBars(p, MAIN, BassStyle::PULSE);
    DrumBars(p, DRUM_GROOVE, DRUM_GROOVE, DRUM_GROOVE, DRUM_GROOVE_B);
    BellRiff(p);
    return p;
}

inline XmPattern OutroTwo()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, MAIN, CHORD_PLUCK, 52);
    BassBars(p, MAIN, BassStyle::DRIVE);
    DrumBars(p, DRUM_FOUR, DRUM_FOUR, DRUM_INTRO, DRUM_INTRO, 56);
    Melody(p, 0, LEAD_SOFT, "E5:6 D5:2 E5:4 A5:4 G5:6 F5:2 E5:8~' -:32");
    Melody(p, 32, BELL, "E5:3 D5:3 C5:2 A4:4 -:4 G4:3 A4:3 B4:2 C5:8'");
    return p;
}

// Outro 3: the kick drops out; chords and pulsing bass over hats, the bell's riff once more.
inline XmPattern OutroThree()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, MAIN, CHORD_PLUCK, 40);
    BassBars(p, MAIN, BassStyle::PULSE, 30);
    DrumBars(p, DRUM_INTRO, DRUM_HATS, DRUM_INTRO, DRUM_HATS, 48);
    BellRiff(p);
    return p;
}

// The turnaround: Am F G E at the intro's level, the lead's last phrase falling to G sharp,
// a soft snare pickup; the first order then resolves it all on A minor.
inline XmPattern Turnaround()
{
    XmPattern p = MakePattern(ROWS, CHANNELS);
    ChordBars(p, TURN, CHORD_PLUCK, 34);
    BassBars(p, TURN, BassStyle::HELD, 22);
    DrumBars(p, DRUM_HATS, DRUM_HATS, DRUM_HATS, "x.h.x.h.x.h.s.ss", 38);
    Melody(p, 0, LEAD_QUIET, "C5:6 B4:2 A4:8~ D5:6 C5:2 B4:8~ B4:4 C5:4 D5:8/~ B4:4 G#4:12~");
    return p;
}

inline std::vector<XmPattern> ComposePatterns()
{
    std::vector<XmPattern> patterns;
    patterns.push_back(IntroOne());                                                    // 0
    patterns.push_back(IntroTwo());                                                    // 1
    patterns.push_back(Groove(false));                                                 // 2
    patterns.push_back(Groove(true));                                                  // 3
    patterns.push_back(Theme(THEME_A, DRUM_GROOVE_B, CHORD_PLUCK, BassStyle::PULSE));  // 4
    patterns.push_back(Theme(THEME_B, DRUM_GROOVE_B, CHORD_PLUCK, BassStyle::PULSE));  // 5
    patterns.push_back(Theme(THEME_C, DRUM_FILL, CHORD_PLUCK, BassStyle::DRIVE));      // 6
    patterns.push_back(BreakOne());                                                    // 7
    patterns.push_back(BreakTwo());                                                    // 8
    patterns.push_back(BreakThree());                                                  // 9
    patterns.push_back(BuildUp());                                                     // 10
    patterns.push_back(Theme(THEME_A2, DRUM_GROOVE_B, CHORD_BUSY, BassStyle::DRIVE));  // 11
    patterns.push_back(Theme(THEME_B2, DRUM_GROOVE_B, CHORD_BUSY, BassStyle::DRIVE));  // 12
    patterns.push_back(Theme(THEME_C2, DRUM_FILL, CHORD_BUSY, BassStyle::PULSE));      // 13
    patterns.push_back(OutroOne());                                                    // 14
    patterns.push_back(OutroTwo());                                                    // 15
    patterns.push_back(OutroThree());                                                  // 16
    patterns.push_back(Turnaround());                                                  // 17
    return patterns;
}

inline std::vector<uint8_t> SongOrders()
{
    return {0, 1, 2, 3, 4, 5, 4, 6, 7, 8, 9, 10, 11, 12, 11, 13, 14, 15, 16, 17};
}

}  // namespace music
