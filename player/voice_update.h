// The voice update: turns a channel's update requests of this tick into its mixer voice's
// fields (trigger and hand-off, volume, panning, frequency and step, rewind).
#pragma once

#include "channel.h"
#include "song.h"

void UpdateVoice(ChannelState* channel, Sample* sample, const Song* song);
