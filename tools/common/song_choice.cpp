#include "tools/common/song_choice.h"

#include "player/player.h"
#include "tools/common/load_warning_text.h"
#include "tools/common/module_file.h"
#include "tools/common/option_values.h"

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
    const int32_t orders = SongLength(song);
    if (choice.start_order >= orders) {
        *option = "--start-order";
        *reason = std::to_string(choice.start_order) + ": the song has " + std::to_string(orders) +
                  " orders (0 to " + std::to_string(orders - 1) + ")";
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
