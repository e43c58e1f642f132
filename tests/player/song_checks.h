// Checks of a loaded song's invariants, the ones the sequencer and the mixer rely on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "player/placeholders.h"
#include "player/sample_data.h"
#include "player/song.h"

// Every invariant the sequencer and the mixer rely on.
inline void ExpectSongConsistent(const Song* song)
{
    ASSERT_GE(song->channel_count, 0);
    ASSERT_LE(song->channel_count, MAX_CHANNELS);
    ASSERT_GE(song->song_length, 0);
    ASSERT_LE(song->song_length, 256);
    ASSERT_GE(song->pattern_count, song->used_pattern_count);
    for (int32_t p = 0; p < song->pattern_count; p++) {
        const Pattern& pattern = song->patterns[p];
        ASSERT_NE(pattern.cells, nullptr);
        // Touch the last cell: AddressSanitizer checks the allocation covers them all.
        int32_t cells = std::max(pattern.rows, 1) * std::max<int32_t>(song->channel_count, 1);
        volatile uint8_t last = pattern.cells[cells - 1].note;
        (void)last;
    }
    for (int32_t i = 0; i < song->instrument_count; i++) {
        const Instrument& ins = song->instruments[i];
        ASSERT_LE(ins.sample_count, MAX_INSTRUMENT_SAMPLES);
        for (int32_t j = 0; j < MAX_INSTRUMENT_SAMPLES; j++) {
            const Sample* s = ins.samples[j];
            ASSERT_NE(s, nullptr);
            if (j >= ins.sample_count) {
                ASSERT_EQ(s, &silent_sample);
                continue;
            }
            ASSERT_EQ(s->data == nullptr, s->length == 0);
            if (s->loop_type == LOOP_NONE) {
                ASSERT_EQ(s->loop_start, 0u);
                ASSERT_EQ(s->loop_length, s->length);
            } else {
                ASSERT_GT(s->loop_length, 0u);
                uint32_t guard = s->loop_start + s->loop_length;
                ASSERT_LE(guard, uint64_t(s->length) + 7);
                int16_t copied =
                    s->loop_type == LOOP_FORWARD ? s->data[s->loop_start] : s->data[guard - 1];
                ASSERT_EQ(s->data[guard], copied);
            }
            if (s->length > 0) {
                volatile int16_t before = s->data[-1];
                volatile int16_t after = s->data[s->length + SAMPLE_SLACK_FRAMES - 1];
                (void)before;
                (void)after;
            }
        }
    }
}
