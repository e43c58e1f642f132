// The all-zero placeholders that stand in for missing samples and instruments: unused sample
// slots point at silent_sample, and a cell naming no loaded instrument plays silent_instrument.
// Neither is ever freed.
#pragma once

#include "song.h"

extern Sample silent_sample;
extern Instrument silent_instrument;
