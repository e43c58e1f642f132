// The song control's side inside the player (song_control.cpp): the block fill runs every
// tick through it, and every play start restarts it. What a program sets is in player.h.
#pragma once

#include "player/song.h"

// One tick of the song: its tick handler, with the start order, the muted channels and the
// end of the control when the song is the controlled one; the tick handler alone otherwise.
void RunSongTick(Song* song);
// A play start of the song: the controlled song starts its first pass again.
void RestartSongControl(const Song* song);
// The song is freed: a control set for it goes with it.
void ForgetSongControl(const Song* song);
// The output frame at which the controlled song's next tick starts, counted from its start.
int64_t ControlledTickFrame();
