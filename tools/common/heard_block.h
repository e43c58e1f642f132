// What the sound device plays now, for the players' displays: the block of the output ring
// being heard (its sync record gives order and row) and its peak level.
#pragma once

#include <cstdint>

// The block the device plays now: the mixing thread refills every block up to it, so after a
// refill the next block to fill is the one playing. It is read while the thread may write it
// (an aligned 32-bit word: at worst one poll late); the modulo keeps the index in the ring.
int32_t PlayingBlock();
// The largest magnitude of the block's samples, 0..32768.
int32_t BlockPeak(int32_t block);
