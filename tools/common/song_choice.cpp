#include "tools/common/song_choice.h"

#include "player/player.h"
#include "tools/common/load_warning_text.h"
#include "tools/common/module_file.h"
#include "tools/common/option_values.h"
#include "tools/common/tool_messages.h"

bool TakeSongChoiceOption(int option, const char* value, SongChoice* choice, std::string* reason)
{
    reason->clear();
    switch (option) {
    case 's': return ParseWholeNumber(value, 0, MAX_ORDERS - 1, &choice->start_order, reason);
    case 'm': return ParseChannelList(value, &choice->muted, reason);
    case OPTION_SOLO:
        choice->solo_given = true;
        return ParseChannelList(value, &choice->solo, reason);
    case OPTION_STRICT: choice->strict = true; return true;
    default: return false;
    }
}

const char* SongChoiceOptionName(int option)
{
    switch (option) {
    case 's': return "--start-order";
    case 'm': return "--mute";
    case OPTION_SOLO: return "--solo";
    case OPTION_STRICT: return "--strict";
    default: return "";
    }
}

bool CheckSongChoice(const SongChoice& choice, const Song* song, std::string* option,
                     std::string* reason)
{
    // Order 0 is where every song starts, even one whose order list is empty (its order 0
    // plays): only a start order given beyond the list is a mistake.
    const int32_t orders = SongLength(song);
    if (choice.start_order > 0 && choice.start_order >= orders) {
        *option = "--start-order";
        *reason = std::to_string(choice.start_order) + ": the song has " +
                  (orders == 0 ? std::string("no orders")
                               : std::to_string(orders) + " orders (0 to " +
                                     std::to_string(orders - 1) + ")");
        return false;
    }
    const uint32_t named = choice.muted | choice.solo;
    for (int32_t c = song->channel_count; c < 32; ++c) {
        if (named >> c & 1u) {
            *option = choice.solo_given ? "--solo" : "--mute";
            *reason = "channel " + std::to_string(c + 1) + ": the module has " +
                      std::to_string(song->channel_count) + " channels";
            return false;
        }
    }
    return true;
}

std::vector<std::string> SongChoiceWarnings(const SongChoice& choice, const Song* song)
{
    std::vector<std::string> warnings;
    const int32_t channels = song->channel_count < 32 ? song->channel_count : 32;
    const uint32_t all = channels >= 32 ? ~0u : (1u << channels) - 1u;
    const uint32_t silent = ControlForChoice(choice, 1).muted_channels;
    if (channels > 0 && (silent & all) == all) {
        warnings.push_back(std::string("warning: ") +
                           (choice.solo_given && choice.muted != 0 ? "--solo and --mute leave"
                            : choice.solo_given                    ? "--solo leaves"
                                                                   : "--mute leaves") +
                           " no channel to hear: the song is silent");
    }
    return warnings;
}

SongControl ControlForChoice(const SongChoice& choice, int32_t passes)
{
    SongControl control;
    control.start_order = static_cast<int32_t>(choice.start_order);
    control.passes = passes;
    control.muted_channels = choice.muted | (choice.solo_given ? ~choice.solo : 0u);
    return control;
}

Song* LoadChosenModule(const std::vector<uint8_t>& bytes, const SongChoice& choice,
                       std::vector<std::string>* messages)
{
    if (bytes.size() < XM_SONG_HEADER_BYTES) {
        messages->push_back("too short for an XM module: the file ends inside the song header (" +
                            GroupedNumber(static_cast<int64_t>(XM_SONG_HEADER_BYTES - bytes.size())) +
                            " of its " + std::to_string(XM_SONG_HEADER_BYTES) + " bytes missing)");
        return nullptr;
    }
    LoadReport report;
    Song* song = LoadModuleBytes(bytes, &report);
    const std::vector<std::string> warnings = LoadWarningTexts(report);
    if (song == nullptr) {
        messages->push_back(warnings.empty() ? "cannot be loaded" : warnings.back());
        return nullptr;
    }
    for (const std::string& text : warnings) messages->push_back("warning: " + text);
    if (choice.strict && report.count > 0) {
        messages->push_back("damaged module refused (--strict)");
        FreeSong(song);
        return nullptr;
    }
    return song;
}

Song* LoadChosenModuleSaying(const char* tool, const std::string& input,
                             const std::vector<uint8_t>& bytes, const SongChoice& choice,
                             int* status)
{
    std::vector<std::string> messages;
    Song* song = LoadChosenModule(bytes, choice, &messages);
    for (const std::string& text : messages) SayFor(tool, input, text);
    if (song == nullptr) {
        *status = 1;
        return nullptr;
    }
    std::string option;
    std::string reason;
    if (!CheckSongChoice(choice, song, &option, &reason)) {
        FreeSong(song);
        *status = UsageErrorFor(tool, option, reason);
        return nullptr;
    }
    return song;
}
