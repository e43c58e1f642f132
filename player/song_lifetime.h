// A song's lifetime: LoadSong builds a Song from a module that the registered source opens by
// name, FreeSong stops its playback and frees everything it owns.
#pragma once

#include "load_report.h"
#include "song.h"

// The name is handed unchanged to the source's open callback. Returns none when the source
// cannot open it or the module cannot be parsed.
Song* LoadSong(const void* name, SampleLoader sample_loader);
// LoadSong that also fills `report` (zeroed first) with what the loader cut from a damaged
// module, or why it refused it; the song loaded is the same.
Song* LoadSongReporting(const void* name, SampleLoader sample_loader, LoadReport* report);
// False for no song. Waits out a block fill in progress and stops the song first.
bool FreeSong(Song* song);
