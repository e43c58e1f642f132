// The tick effects: what runs on every tick of a row after its first.
#pragma once

#include "song.h"

// The tick part of the volume column and of every effect of the song's current row, with the
// envelopes, fadeout, auto-vibrato and voice update of every played channel.
void ProcessTickEffects(Song* song);
