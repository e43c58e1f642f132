// How long a song lasts under a control: the sequencer run tick by tick from the play start,
// without mixing, until the control sees the end.
#include "player/playback.h"
#include "player/player.h"
#include "player/song_control.h"

int64_t CountSongFrames(Song* song, const SongControl& control, int64_t max_frames, bool* ended)
{
    ControlSong(song, control);
    ResetPlayback(song);
    const SongProgress& progress = ControlledSongProgress();
    int64_t frames = 0;
    while (frames < max_frames) {
        RunSongTick(song);
        if (progress.ended.load()) break;
        frames = ControlledTickFrame();
    }
    *ended = progress.ended.load();
    if (*ended) frames = progress.end_frame.load();
    if (frames > max_frames) frames = max_frames;
    ReleasePlaybackBuffers();
    ReleaseSongControl(song);
    return frames;
}
