#include "player/output_gain.h"

#include <cmath>

namespace {

struct OutputGain {
    double decibels;
    float factor;  // exactly 1 at 0 dB: then nothing is multiplied
};
OutputGain gain = {0.0, 1.0f};

}  // namespace

void SetOutputGain(double decibels)
{
    if (!(decibels >= MIN_OUTPUT_GAIN_DB)) decibels = MIN_OUTPUT_GAIN_DB;
    if (decibels > MAX_OUTPUT_GAIN_DB) decibels = MAX_OUTPUT_GAIN_DB;
    gain.decibels = decibels;
    gain.factor = decibels == 0.0 ? 1.0f : static_cast<float>(std::pow(10.0, decibels / 20.0));
}

double OutputGainDecibels() { return gain.decibels; }

void ApplyOutputGain(float* mix, int64_t values)
{
    if (mix == nullptr || gain.factor == 1.0f) return;
    for (int64_t k = 0; k < values; ++k) mix[k] *= gain.factor;
}
