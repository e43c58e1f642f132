// The mixer.
//
// What it guarantees, for every voice among the first MIXED_VOICES that has a sample:
// - linear interpolation between frame i and frame i + 1 of the sample at the 32.32 play
//   position, with the upper 31 bits of the fraction as the weight;
// - interpolation, weight and products in double; gains are 32-bit floats; every output
//   value is rounded to a 32-bit float after each voice's addition, so every build and
//   every routine below gives the same bytes;
// - no click: a change of the target volumes starts a linear ramp of ramp_length frames from
//   the volume being applied (24.8 fixed point) to the new one;
// - sample ends and loop points are met at the exact output frame: each voice's run is cut
//   into segments whose length is computed once, so the per-frame loops test nothing;
// - a voice whose gains are both 0 and stay 0 (no ramp) is not mixed: its position advances
//   through its segments, loops and end exactly as if it were, since adding x × 0 to a sum
//   that is not -0 leaves it unchanged (the caller's zeroed buffer holds +0, and sums that
//   start at +0 never become -0);
// - the steady and ramping frames run through the kernel set mixer_path.h chose; every set
//   gives the same bytes.
// It reads at most one frame before frame 0 and one frame past the loop's guard frame; the
// sample buffers carry zero frames there.
#include <cmath>

#include "player/mixer.h"
#include "player/mixer_path.h"

Voice voices[VOICE_SLOTS];
int32_t ramp_length = 128;
float ramp_reciprocal = 1.0f / 128.0f;

namespace {

const float GAIN_PER_VOLUME = static_cast<float>(1.0 / 255.0);
// Distances of this many frames or more never end a segment inside one call.
constexpr uint64_t FAR_DISTANCE = uint64_t{1} << 56;

uint64_t PositionOf(const Voice& v)
{
    return static_cast<uint64_t>(static_cast<uint32_t>(v.position)) << 32 | v.position_frac;
}

void StorePosition(Voice* v, uint64_t p)
{
    v->position = static_cast<int32_t>(static_cast<uint32_t>(p >> 32));
    v->position_frac = static_cast<uint32_t>(p);
}

uint64_t StepOf(const Voice& v)
{
    return static_cast<uint64_t>(static_cast<uint32_t>(v.step)) << 32 | v.step_frac;
}

// Gains that grow by their increments after every frame. The running gains are rounded to
// float after every increment, one frame after the other: they are laid out here a chunk at
// a time, and the kernel mixes with them. Chunks are small so that the processor works out
// the next chunk's chain, each addition waiting for the last, while it mixes this one.
// Leaves the gains after the last increment.
uint64_t MixRamp(const MixerKernels& kernels, float* out, int32_t n, const int16_t* data,
                 uint64_t p, uint64_t step, float* left_gain, float* right_gain,
                 float left_increment, float right_increment)
{
    constexpr int32_t CHUNK_FRAMES = 16;
    float gains[2 * CHUNK_FRAMES];
    float l = *left_gain;
    float r = *right_gain;
    for (int32_t done = 0; done < n; done += CHUNK_FRAMES) {
        int32_t count = n - done < CHUNK_FRAMES ? n - done : CHUNK_FRAMES;
        for (int32_t k = 0; k < count; k++) {
            gains[2 * k] = l;
            gains[2 * k + 1] = r;
            l += left_increment;
            r += right_increment;
        }
        p = kernels.mix_gains(out + 2 * done, count, data, p, step, gains);
    }
    *left_gain = l;
    *right_gain = r;
    return p;
}

bool Loops(const Sample& s)
{
    return (s.loop_type & (LOOP_FORWARD | LOOP_PING_PONG)) && s.loop_length > 0;
}

// The boundary count divides the distance by the step, both shifted right by 8 bits. A
// voice's step stays the same through a call, and in a short loop one segment's count
// equals the last one or a neighbour: those are tried with multiplications before dividing.
struct BoundaryCounter {
    uint64_t step;
    uint64_t divisor;   // (step, or ZERO_STEP_SUBSTITUTE for 0) >> 8, at least 1
    uint64_t quotient;  // the last count; 0 = none yet
};

BoundaryCounter CounterFor(uint64_t step)
{
    uint64_t divisor = (step != 0 ? step : ZERO_STEP_SUBSTITUTE) >> 8;
    return BoundaryCounter{step, divisor != 0 ? divisor : 1, 0};
}

// The smallest k with k × divisor >= d (d < 2^48).
uint64_t CountTo(uint64_t d, BoundaryCounter* counter)
{
    const uint64_t divisor = counter->divisor;
    uint64_t k = counter->quotient;
    // Products stay below 2^63 for counts below 2^31 and divisors below 2^32. The step to
    // the neighbour is taken without a branch: which one it is, is as good as random.
    if (k >= 2 && k < (uint64_t{1} << 31) && divisor <= 0xFFFFFFFFu) {
        uint64_t top = k * divisor;
        k = k + (d > top ? 1 : 0) - (d <= top - divisor ? 1 : 0);
        top = k * divisor;
        if (d <= top && d > top - divisor) return counter->quotient = k;
    }
    k = d / divisor + (d % divisor != 0 ? 1 : 0);
    return counter->quotient = k;
}

// Frames until the position reaches the boundary, or -1 when it does not within `limit`.
// A position already past its boundary is at it.
int64_t FramesToBoundary(const Sample& s, uint64_t p, int32_t direction, BoundaryCounter* counter,
                         int32_t limit)
{
    uint64_t distance;
    if (direction == 1) {
        int64_t loop_end = static_cast<int64_t>(s.loop_start) + s.loop_length;
        int64_t boundary = static_cast<int64_t>(static_cast<int32_t>(p >> 32)) <= loop_end
                               ? loop_end
                               : static_cast<int64_t>(s.length);
        distance = (static_cast<uint64_t>(boundary) << 32) - p;
    } else {
        distance = p - (static_cast<uint64_t>(s.loop_start) << 32);
    }
    if (static_cast<int64_t>(distance) < 0) return 0;
    if (distance >= FAR_DISTANCE) return -1;
    // A looping voice whose step is zero stands still inside its loop: it never reaches the
    // loop point. (Counting with the substitute step would wrap or mirror a position that
    // never crossed the point, carrying it further out of the loop each time, and out of
    // the data.) Without a loop the substitute counts the frames to the end.
    if (counter->step == 0 && distance > 0 && Loops(s)) return -1;
    const uint64_t d = distance >> 8;
    // Beyond this call: known without dividing.
    if (counter->divisor <= 0xFFFFFFFFu && d > static_cast<uint64_t>(limit) * counter->divisor)
        return -1;
    uint64_t frames = CountTo(d, counter);
    return frames <= static_cast<uint64_t>(limit) ? static_cast<int64_t>(frames) : -1;
}

// Forward loop: back by whole loop lengths until the position lies before the loop end.
uint64_t WrapForward(uint64_t p, const Sample& s)
{
    uint32_t end = s.loop_start + s.loop_length;
    uint32_t position = static_cast<uint32_t>(p >> 32) - s.loop_length;
    if (position >= end) position -= ((position - end) / s.loop_length + 1) * s.loop_length;
    return static_cast<uint64_t>(position) << 32 | static_cast<uint32_t>(p);
}

// Ping-pong loop: mirror the overshoot about the loop point it crossed, less 2^-32, until
// the position lies inside the loop. Each end-then-start pair of mirrors moves the position
// by exactly twice the loop length, so whole pairs are taken at once.
uint64_t ReflectPingPong(uint64_t p, int32_t* direction, const Sample& s)
{
    const uint64_t start = static_cast<uint64_t>(s.loop_start) << 32;
    const uint64_t end = (static_cast<uint64_t>(s.loop_start) + s.loop_length) << 32;
    const int64_t period = static_cast<int64_t>(static_cast<uint64_t>(s.loop_length) << 33);
    bool at_end = *direction == 1;
    for (;;) {
        if (at_end) {
            int64_t over = static_cast<int64_t>(p - end);
            if (over >= period)
                p -= static_cast<uint64_t>(over / period) * static_cast<uint64_t>(period);
            p = 2 * end - 1 - p;
            *direction = 2;
            if (static_cast<int64_t>(p) >= static_cast<int64_t>(start)) return p;
        } else {
            int64_t under = static_cast<int64_t>(start - p);
            if (under > period)
                p += static_cast<uint64_t>((under - 1) / period) * static_cast<uint64_t>(period);
            p = 2 * start - 1 - p;
            *direction = 1;
            if (static_cast<int64_t>(p) < static_cast<int64_t>(end)) return p;
        }
        at_end = !at_end;
    }
}

void EndVoice(Voice* v)
{
    v->sample = nullptr;
    v->position = 0;
    v->position_frac = 0;
}

// The per-frame gain change that moves a volume by `change` over ramp_length frames.
float RampIncrement(int32_t change)
{
    if (change == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(change) * static_cast<double>(GAIN_PER_VOLUME) *
                              static_cast<double>(ramp_reciprocal));
}

// Plans a new ramp unless the running one still heads for the current targets. Returns
// whether a ramp runs.
bool PlanRamp(Voice* v)
{
    if (v->ramp_remaining > 0 && v->left_volume == v->ramp_left_target &&
        v->right_volume == v->ramp_right_target) {
        return true;
    }
    v->ramp_left_target = v->left_volume;
    v->ramp_right_target = v->right_volume;
    int32_t left_change =
        v->left_volume - static_cast<int32_t>(static_cast<uint32_t>(v->current_left) >> 8);
    int32_t right_change =
        v->right_volume - static_cast<int32_t>(static_cast<uint32_t>(v->current_right) >> 8);
    v->ramp_left_increment = RampIncrement(left_change);
    v->ramp_right_increment = RampIncrement(right_change);
    v->ramp_remaining = (left_change || right_change) ? ramp_length : 0;
    return v->ramp_remaining > 0;
}

float RampGain(int32_t current)
{
    return static_cast<float>(static_cast<double>(current) * (1.0 / 256.0) *
                              static_cast<double>(GAIN_PER_VOLUME));
}

// The rest of a call for a silent voice in a forward loop, standing inside the loop: only
// its position moves, wrapping at every loop end as when mixed. (The ramp planning of each
// segment would find the targets and the current volume unchanged.)
uint64_t SkipSilentLoops(uint64_t p, const Sample& s, BoundaryCounter* counter, int32_t frames)
{
    while (frames > 0) {
        int64_t n = FramesToBoundary(s, p, 1, counter, frames);
        if (n < 0) return p + static_cast<uint64_t>(frames) * counter->step;
        p = WrapForward(p + static_cast<uint64_t>(n) * counter->step, s);
        frames -= static_cast<int32_t>(n);
    }
    return p;
}

// The position and direction stay in locals through the call and are stored when it ends.
void MixVoice(Voice* v, float* out, int32_t frames, const MixerKernels& kernels, bool skip_silent)
{
    const Sample& s = *v->sample;
    BoundaryCounter counter = CounterFor(StepOf(*v));
    uint64_t p = PositionOf(*v);
    int32_t direction = v->direction;
    for (;;) {
        int32_t n = frames;
        int64_t to_boundary = FramesToBoundary(s, p, direction, &counter, n);
        const bool at_boundary = to_boundary >= 0;
        if (at_boundary) n = static_cast<int32_t>(to_boundary);

        const int32_t n_before = n;
        const bool ramp = PlanRamp(v);
        if (ramp && v->ramp_remaining < n) n = v->ramp_remaining;

        const uint64_t step = direction == 1 ? counter.step : uint64_t{0} - counter.step;
        if (ramp) {
            if (kernels.advance_only && n == v->ramp_remaining) {
                // A walk through the end of a ramp: the gains it would reach are replaced by
                // the targets below, so they need not be counted out frame by frame.
                p += static_cast<uint64_t>(n) * step;
            } else {
                float left_gain = RampGain(v->current_left);
                float right_gain = RampGain(v->current_right);
                p = MixRamp(kernels, out, n, s.data, p, step, &left_gain, &right_gain,
                            v->ramp_left_increment, v->ramp_right_increment);
                v->current_left = static_cast<int32_t>(
                    std::nearbyint(static_cast<double>(left_gain) * 255.0 * 256.0));
                v->current_right = static_cast<int32_t>(
                    std::nearbyint(static_cast<double>(right_gain) * 255.0 * 256.0));
            }
            v->ramp_remaining -= n;
            if (v->ramp_remaining == 0) {
                v->ramp_left_increment = 0.0f;
                v->ramp_right_increment = 0.0f;
                v->current_left = v->left_volume * 256;
                v->current_right = v->right_volume * 256;
                if (n < n_before) {
                    out += 2 * n;
                    frames -= n;
                    continue;
                }
            }
        } else if (skip_silent && v->left_volume == 0 && v->right_volume == 0) {
            p += static_cast<uint64_t>(n) * step;
            if (at_boundary && direction == 1 && (s.loop_type & LOOP_FORWARD) &&
                s.loop_length > 0) {
                p = SkipSilentLoops(WrapForward(p, s), s, &counter, frames - n);
                break;
            }
        } else if (n > 0) {
            p = kernels.mix_steady(out, n, s.data, p, step, v->left_volume * GAIN_PER_VOLUME,
                                   v->right_volume * GAIN_PER_VOLUME);
        }
        if (!at_boundary) break;

        // A loop of length 0 cannot be looped: such a sample ends like one without loop.
        if ((s.loop_type & LOOP_FORWARD) && s.loop_length > 0) {
            p = WrapForward(p, s);
        } else if ((s.loop_type & LOOP_PING_PONG) && s.loop_length > 0) {
            p = ReflectPingPong(p, &direction, s);
        } else {
            EndVoice(v);
            return;
        }
        out += 2 * n;
        frames -= n;
        if (frames <= 0) break;
    }
    StorePosition(v, p);
    v->direction = direction;
}

}  // namespace

void MixVoices(float* out, int32_t frames)
{
    if (!out || frames <= 0) return;
    const MixerKernels& kernels = SelectedMixerKernels();
    const bool skip_silent = SilentVoiceSkip();
    for (int32_t slot = 0; slot < MIXED_VOICES; slot++) {
        Voice* v = &voices[slot];
        if (v->sample) MixVoice(v, out, frames, kernels, skip_silent);
    }
}

void ConvertToPcm16(int16_t* dst, const float* src, int32_t frames)
{
    if (!dst || !src || frames <= 0) return;
    SelectedMixerKernels().convert(dst, src, 2 * static_cast<int64_t>(frames));
}
