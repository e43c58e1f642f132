// The all-zero placeholders for missing samples and instruments.
#include "player/placeholders.h"

Sample silent_sample;
Instrument silent_instrument;
