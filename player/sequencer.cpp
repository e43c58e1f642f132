// Stand-in until the sequencer lands.
#include "player/sequencer.h"

void SequencerTick(Song*) {}
