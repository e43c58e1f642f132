// Music start and stop: the embedded module is registered with the memory source, loaded
// through it and played on the player's own thread until the intro ends.
#include "app/music.h"

#include "assets/assets.h"
#include "player/player.h"

Song* StartMusic()
{
    RegisterMemoryModule(embedded_module, EMBEDDED_MODULE_SIZE);
    RegisterSourceCallbacks(OpenMemorySource, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
    Song* song = LoadSong(embedded_module, nullptr);
    // Without a song or an audio device the intro simply runs silently.
    PlaySong(song);
    return song;
}

void StopMusic(Song* song)
{
    StopSong(song);
    // The thread has finished once StopSong returns; nothing reads the song any more.
    if (song != nullptr) FreeSong(song);
}
