// The two audio settings.
#include "player/audio_settings.h"

const int32_t MIX_RATE = 44100;
const int32_t BUFFER_MS = 1000;
