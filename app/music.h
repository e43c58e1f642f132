// Music start and stop (music.cpp): the embedded module played on the player's own thread.
#pragma once

struct Song;

// Registers the memory source, loads the embedded module and starts playing it. Returns
// the song, or none when it could not be loaded.
Song* StartMusic();
// Stops the playback that StartMusic began and frees the song.
void StopMusic(Song* song);
