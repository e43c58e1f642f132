// Tuning the module's tonal samples to A4 = 440 Hz through the player's own pitch rule.
//
// The module uses the Amiga frequency table: a note plays at 14317056 / period Hz, with
// periods that are whole numbers truncated from an exponential. A sample whose cycle is a
// whole number of frames is therefore rarely in tune, and the truncation puts each note a
// little sharp, by up to 1731 / period cents, differently for every note. So each tonal
// sample is built on a cycle of `loop_frames / cycles` frames (a fraction), chosen for the
// notes the song gives that instrument: the cycle that centres their deviations from equal
// temperament, so the highest and lowest deviation are equal and opposite. The relative
// notes are chosen (in gen_module.cpp) where those deviations spread least; the cell note
// A-4 then lands within a cent of 440 Hz.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "music_xm_writer.h"

namespace music {

constexpr double A4_HZ = 440.0;
constexpr int A4_NOTE = 58;  // cell note A-4 (C-0 is 1)

// The player's auto-vibrato adds its offset to the period rounded down, so on average it
// shortens the period by half a unit: an instrument with auto-vibrato is tuned for that.
constexpr double AUTO_VIBRATO_PERIOD_SHIFT = -0.5;

// The player's Amiga-mode period of note index n with finetune 0.
inline int32_t AmigaPeriodOf(int n)
{
    const double twelfth = static_cast<double>(1.0f / 12.0f);
    return static_cast<int32_t>(std::pow(2.0, (132 - n) * twelfth) * 13.375);
}

// The rate (frames per second) at which the player steps through a sample for a cell note,
// on average over any auto-vibrato (period_shift).
inline double PlayedRate(int cell_note, int relative_note, double period_shift)
{
    const int32_t period = AmigaPeriodOf(cell_note - 1 + relative_note);
    if (period_shift == 0.0) return static_cast<double>(14317056 / period);
    return 14317056.0 / (period + period_shift);
}

inline double EqualTemperedHz(int cell_note)
{
    return A4_HZ * std::pow(2.0, (cell_note - A4_NOTE) / 12.0);
}

// The notes the patterns give an instrument: struck notes, tone-portamento targets and the
// notes of arpeggios played over them (an instrument number holds on its channel until the
// next one).
inline std::set<int> NotesPlayed(const std::vector<XmPattern>& patterns, uint8_t instrument)
{
    std::set<int> notes;
    for (const XmPattern& pattern : patterns) {
        std::vector<uint8_t> channel_instrument(pattern.channels, 0);
        std::vector<int> channel_note(pattern.channels, 0);
        for (int row = 0; row < pattern.rows; ++row) {
            for (int channel = 0; channel < pattern.channels; ++channel) {
                const XmCell& cell = pattern.cells[size_t(row * pattern.channels + channel)];
                if (cell.instrument) channel_instrument[channel] = cell.instrument;
                if (channel_instrument[channel] != instrument) continue;
                if (cell.note >= 1 && cell.note <= 96) {
                    channel_note[channel] = cell.note;
                    notes.insert(cell.note);
                }
                if (cell.effect == 0 && cell.parameter && channel_note[channel]) {
                    notes.insert(channel_note[channel] + (cell.parameter >> 4));
                    notes.insert(channel_note[channel] + (cell.parameter & 0x0F));
                }
            }
        }
    }
    return notes;
}

// Frames per cycle that centre the notes' deviations from equal temperament.
inline double CentredCycle(const std::set<int>& notes, int relative_note, double period_shift)
{
    double shortest = 1e9, longest = 0.0;  // the cycle that would put each note exactly in tune
    for (int note : notes) {
        const double exact = PlayedRate(note, relative_note, period_shift) / EqualTemperedHz(note);
        shortest = std::min(shortest, exact);
        longest = std::max(longest, exact);
    }
    return std::sqrt(shortest * longest);
}

// Deviation in cents of a cell note played on a cycle of `cycle` frames.
inline double CentsOff(int note, int relative_note, double period_shift, double cycle)
{
    return 1200.0 *
           std::log2(PlayedRate(note, relative_note, period_shift) / cycle / EqualTemperedHz(note));
}

// A tuned loop: `cycles` whole cycles in `loop_frames` frames.
struct TunedCycle {
    int loop_frames = 0;
    int cycles = 0;
};

inline double CycleFrames(const TunedCycle& tuned)
{
    return static_cast<double>(tuned.loop_frames) / tuned.cycles;
}

// The loop of at most `max_frames` frames (and at least 3/4 of that) closest to the ideal
// cycle length, the longest among equals.
inline TunedCycle LongLoop(double ideal, int max_frames)
{
    TunedCycle best;
    double best_error = 1e9;
    for (int frames = max_frames; frames >= max_frames * 3 / 4; --frames) {
        const int cycles = static_cast<int>(std::lround(frames / ideal));
        const double error = std::fabs(std::log2(frames / (ideal * cycles)));
        if (error < best_error - 1e-12) {
            best_error = error;
            best = TunedCycle{frames, cycles};
        }
    }
    return best;
}

// The shortest loop of `min_frames` to `max_frames` frames whose cycle lies within
// `tolerance_cents` of the ideal cycle length; the closest one when none does.
inline TunedCycle ShortestLoop(double ideal, int min_frames, int max_frames, double tolerance_cents)
{
    TunedCycle best;
    double best_error = 1e9;
    for (int frames = min_frames; frames <= max_frames; ++frames) {
        const int cycles = static_cast<int>(std::lround(frames / ideal));
        const double error = 1200.0 * std::fabs(std::log2(frames / (ideal * cycles)));
        if (error <= tolerance_cents) return TunedCycle{frames, cycles};
        if (error < best_error) {
            best_error = error;
            best = TunedCycle{frames, cycles};
        }
    }
    return best;
}

// Where frame i lies within its cycle, 0..1, computed exactly from whole numbers so that every
// loop repeats to the bit.
inline double CyclePosition(const TunedCycle& tuned, long i)
{
    return static_cast<double>((i * tuned.cycles) % tuned.loop_frames) / tuned.loop_frames;
}

// Harmonics a cycle of this many frames can hold below the sample's own Nyquist limit.
inline int HarmonicsBelowNyquist(const TunedCycle& tuned, int wanted)
{
    return std::min(wanted, static_cast<int>(CycleFrames(tuned) / 2.0 - 0.5));
}

}  // namespace music
