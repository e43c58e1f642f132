// The mixer.
//
// What it guarantees, for every voice among the first MIXED_VOICES that has a sample:
// - linear interpolation between frame i and frame i + 1 of the sample at the 32.32 play
//   position, with the upper 31 bits of the fraction as the weight;
// - interpolation, weight and products in double; gains are 32-bit floats; every output
//   value is rounded to a 32-bit float after each voice's addition, so every build and
//   every routine below gives the same bytes;
// - no click: a change of the target volumes starts a linear ramp of RAMP_LENGTH frames from
//   the volume being applied (24.8 fixed point) to the new one;
// - sample ends and loop points are met at the exact output frame: each voice's run is cut
//   into segments whose length is computed once, so the per-frame loops test nothing.
// It reads at most one frame before frame 0 and one frame past the loop's guard frame; the
// sample buffers carry zero frames there.
#include <cmath>

#include "player/mixer.h"

Voice voices[VOICE_SLOTS];
int32_t RAMP_LENGTH = 128;
float ramp_reciprocal = 1.0f / 128.0f;

namespace {

const float GAIN_PER_VOLUME = float(1.0 / 255.0);
const double WEIGHT_UNIT = 1.0 / 2147483648.0;
// Distances of this many frames or more never end a segment inside one call.
constexpr uint64_t FAR_DISTANCE = uint64_t(1) << 56;

uint64_t PositionOf(const Voice& v)
{
    return uint64_t(uint32_t(v.position)) << 32 | v.position_frac;
}

void StorePosition(Voice* v, uint64_t p)
{
    v->position = int32_t(uint32_t(p >> 32));
    v->position_frac = uint32_t(p);
}

uint64_t StepOf(const Voice& v) { return uint64_t(uint32_t(v.step)) << 32 | v.step_frac; }

inline double Interpolate(const int16_t* data, uint64_t p)
{
    int32_t i = int32_t(uint32_t(p >> 32));
    double w = double(uint32_t(p) >> 1) * WEIGHT_UNIT;
    double a = data[i];
    double b = data[i + 1];
    return a + w * (b - a);
}

inline void Accumulate(float* out, double x, double left_gain, double right_gain)
{
    out[0] = float(double(out[0]) + x * left_gain);
    out[1] = float(double(out[1]) + x * right_gain);
}

// Constant gains, two frames per pass.
uint64_t MixSteady(float* out, int32_t n, const int16_t* data, uint64_t p, uint64_t step,
                   float left_gain, float right_gain)
{
    const double l = left_gain;
    const double r = right_gain;
    for (int32_t pairs = n >> 1; pairs > 0; pairs--) {
        double x0 = Interpolate(data, p);
        p += step;
        double x1 = Interpolate(data, p);
        p += step;
        Accumulate(out, x0, l, r);
        Accumulate(out + 2, x1, l, r);
        out += 4;
    }
    if (n & 1) {
        Accumulate(out, Interpolate(data, p), l, r);
        p += step;
    }
    return p;
}

// Gains that grow by their increments after every frame.
uint64_t MixRamp(float* out, int32_t n, const int16_t* data, uint64_t p, uint64_t step,
                 float* left_gain, float* right_gain, float left_increment, float right_increment)
{
    float l = *left_gain;
    float r = *right_gain;
    for (int32_t k = 0; k < n; k++) {
        Accumulate(out, Interpolate(data, p), l, r);
        p += step;
        l += left_increment;
        r += right_increment;
        out += 2;
    }
    *left_gain = l;
    *right_gain = r;
    return p;
}

bool Loops(const Sample& s)
{
    return (s.loop_type & (LOOP_FORWARD | LOOP_PING_PONG)) && s.loop_length > 0;
}

// Frames until the position reaches the boundary, or -1 when it does not within `limit`.
// A position already past its boundary is at it.
int64_t FramesToBoundary(const Voice& v, const Sample& s, uint64_t p, uint64_t step, int32_t limit)
{
    uint64_t distance;
    if (v.direction == 1) {
        int64_t loop_end = int64_t(s.loop_start) + s.loop_length;
        int64_t boundary = int64_t(v.position) <= loop_end ? loop_end : int64_t(s.length);
        distance = (uint64_t(boundary) << 32) - p;
    } else {
        distance = p - (uint64_t(s.loop_start) << 32);
    }
    if (int64_t(distance) < 0) return 0;
    if (distance >= FAR_DISTANCE) return -1;
    // A looping voice whose step is zero stands still inside its loop: it never reaches the
    // loop point. (Counting with the substitute step would wrap or mirror a position that
    // never crossed the point, carrying it further out of the loop each time, and out of
    // the data.) Without a loop the substitute counts the frames to the end.
    if (step == 0 && distance > 0 && Loops(s)) return -1;
    uint64_t substitute = step != 0 ? step : ZERO_STEP_SUBSTITUTE;
    uint64_t divisor = substitute >> 8;
    if (divisor == 0) divisor = 1;
    uint64_t frames = (distance >> 8) / divisor;
    if ((distance >> 8) % divisor != 0) frames++;
    return frames <= uint64_t(limit) ? int64_t(frames) : -1;
}

// Forward loop: back by whole loop lengths until the position lies before the loop end.
void WrapForward(Voice* v, const Sample& s)
{
    uint32_t end = s.loop_start + s.loop_length;
    uint32_t position = uint32_t(v->position) - s.loop_length;
    if (position >= end) position -= ((position - end) / s.loop_length + 1) * s.loop_length;
    v->position = int32_t(position);
}

// Ping-pong loop: mirror the overshoot about the loop point it crossed, less 2^-32, until
// the position lies inside the loop. Each end-then-start pair of mirrors moves the position
// by exactly twice the loop length, so whole pairs are taken at once.
void ReflectPingPong(Voice* v, const Sample& s)
{
    const uint64_t start = uint64_t(s.loop_start) << 32;
    const uint64_t end = (uint64_t(s.loop_start) + s.loop_length) << 32;
    const int64_t period = int64_t(uint64_t(s.loop_length) << 33);
    uint64_t p = PositionOf(*v);
    bool at_end = v->direction == 1;
    for (;;) {
        if (at_end) {
            int64_t over = int64_t(p - end);
            if (over >= period) p -= uint64_t(over / period) * uint64_t(period);
            p = 2 * end - 1 - p;
            v->direction = 2;
            if (int64_t(p) >= int64_t(start)) break;
        } else {
            int64_t under = int64_t(start - p);
            if (under > period) p += uint64_t((under - 1) / period) * uint64_t(period);
            p = 2 * start - 1 - p;
            v->direction = 1;
            if (int64_t(p) < int64_t(end)) break;
        }
        at_end = !at_end;
    }
    StorePosition(v, p);
}

void EndVoice(Voice* v)
{
    v->sample = nullptr;
    v->position = 0;
    v->position_frac = 0;
}

// The per-frame gain change that moves a volume by `change` over RAMP_LENGTH frames.
float RampIncrement(int32_t change)
{
    if (change == 0) return 0.0f;
    return float(double(change) * double(GAIN_PER_VOLUME) * double(ramp_reciprocal));
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
    int32_t left_change = v->left_volume - int32_t(uint32_t(v->current_left) >> 8);
    int32_t right_change = v->right_volume - int32_t(uint32_t(v->current_right) >> 8);
    v->ramp_left_increment = RampIncrement(left_change);
    v->ramp_right_increment = RampIncrement(right_change);
    v->ramp_remaining = (left_change || right_change) ? RAMP_LENGTH : 0;
    return v->ramp_remaining > 0;
}

float RampGain(int32_t current)
{
    return float(double(current) * (1.0 / 256.0) * double(GAIN_PER_VOLUME));
}

void MixVoice(Voice* v, float* out, int32_t frames)
{
    for (;;) {
        const Sample& s = *v->sample;
        uint64_t p = PositionOf(*v);
        const uint64_t step = StepOf(*v);
        int32_t n = frames;
        int64_t to_boundary = FramesToBoundary(*v, s, p, step, n);
        const bool at_boundary = to_boundary >= 0;
        if (at_boundary) n = int32_t(to_boundary);

        const int32_t n_before = n;
        const bool ramp = PlanRamp(v);
        if (ramp && v->ramp_remaining < n) n = v->ramp_remaining;

        const uint64_t signed_step = v->direction == 1 ? step : uint64_t(0) - step;
        if (ramp) {
            float left_gain = RampGain(v->current_left);
            float right_gain = RampGain(v->current_right);
            p = MixRamp(out, n, s.data, p, signed_step, &left_gain, &right_gain,
                        v->ramp_left_increment, v->ramp_right_increment);
            v->current_left = int32_t(std::nearbyint(double(left_gain) * 255.0 * 256.0));
            v->current_right = int32_t(std::nearbyint(double(right_gain) * 255.0 * 256.0));
            v->ramp_remaining -= n;
            if (v->ramp_remaining == 0) {
                v->ramp_left_increment = 0.0f;
                v->ramp_right_increment = 0.0f;
                v->current_left = v->left_volume * 256;
                v->current_right = v->right_volume * 256;
                if (n < n_before) {
                    StorePosition(v, p);
                    out += 2 * n;
                    frames -= n;
                    continue;
                }
            }
        } else if (n > 0) {
            p = MixSteady(out, n, s.data, p, signed_step, float(v->left_volume * GAIN_PER_VOLUME),
                          float(v->right_volume * GAIN_PER_VOLUME));
        }
        StorePosition(v, p);
        if (!at_boundary) return;

        // A loop of length 0 cannot be looped: such a sample ends like one without loop.
        if ((s.loop_type & LOOP_FORWARD) && s.loop_length > 0) {
            WrapForward(v, s);
        } else if ((s.loop_type & LOOP_PING_PONG) && s.loop_length > 0) {
            ReflectPingPong(v, s);
        } else {
            EndVoice(v);
            return;
        }
        out += 2 * n;
        frames -= n;
        if (frames <= 0) return;
    }
}

}  // namespace

void MixVoices(float* out, int32_t frames)
{
    if (!out || frames <= 0) return;
    for (int32_t slot = 0; slot < MIXED_VOICES; slot++) {
        Voice* v = &voices[slot];
        if (v->sample) MixVoice(v, out, frames);
    }
}

void ConvertToPcm16(int16_t* dst, const float* src, int32_t frames)
{
    if (!dst || !src || frames <= 0) return;
    for (int32_t k = 0; k < 2 * frames; k++) {
        // nearbyint rounds ties to even under the default rounding mode.
        float rounded = std::nearbyint(src[k]);
        int16_t value;
        if (rounded >= 32767.0f) {
            value = 32767;
        } else if (rounded > -32768.0f) {
            value = int16_t(rounded);
        } else {
            value = -32768;
        }
        dst[k] = value;
    }
}
