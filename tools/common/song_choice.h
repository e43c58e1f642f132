// What both tools let a user choose of how a song plays, from the same options: where it
// starts (-s/--start-order N), which channels are silent (-m/--mute LIST) or the only ones
// heard (--solo LIST), and whether a damaged module is refused (--strict). Checked against
// the module the same way, and turned into the song control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/player.h"

struct Song;

struct SongChoice {
    int64_t start_order = 0;
    uint32_t muted = 0;  // bit c: channel c + 1
    bool solo_given = false;
    uint32_t solo = 0;
    bool strict = false;
};

// getopt_long values of the long-only options; a tool's own long-only options start above.
enum SongChoiceOption { OPTION_SOLO = 256, OPTION_STRICT, OPTION_TOOL_FIRST };

// Takes one option of the choice ('s', 'm', OPTION_SOLO, OPTION_STRICT) with its value. False
// when `option` is none of them, or with `reason` set when the value is wrong.
bool TakeSongChoiceOption(int option, const char* value, SongChoice* choice, std::string* reason);
// The option's name as the user reads it ("--start-order").
const char* SongChoiceOptionName(int option);

// Whether the start order and every named channel exist in the song; false with the option's
// name and the reason.
bool CheckSongChoice(const SongChoice& choice, const Song* song, std::string* option,
                     std::string* reason);

// One-line warnings about a choice that is allowed but surely not meant: muted and solo
// channels that leave none of the song's channels to hear.
std::vector<std::string> SongChoiceWarnings(const SongChoice& choice, const Song* song);

// The control for the choice, ending after `passes` passes (0: never).
SongControl ControlForChoice(const SongChoice& choice, int32_t passes);

// Loads the module as the tools do. `messages` gets the lines to show, each once: the loader's
// warnings ("warning: ..."), and why there is no song when the file ends inside the song
// header, the loader refused the module, or it is damaged and the choice is strict.
Song* LoadChosenModule(const std::vector<uint8_t>& bytes, const SongChoice& choice,
                       std::vector<std::string>* messages);

// LoadChosenModule for a tool's main: says each message on standard error as `tool` about
// `input`, and checks the choice against the song. None, with `status` the tool's exit status,
// when there is no song (1) or the choice does not fit it (2, the usage error said).
Song* LoadChosenModuleSaying(const char* tool, const std::string& input,
                             const std::vector<uint8_t>& bytes, const SongChoice& choice,
                             int* status);
