// The texts of the loader's report, as the tools print them: one line per record, without the
// program's or the file's name.
#pragma once

#include <string>
#include <vector>

#include "player/player.h"

// Every record in order, then "... and N more" when records were dropped.
std::vector<std::string> LoadWarningTexts(const LoadReport& report);
// A count with thousands separators: 2,344.
std::string GroupedNumber(int64_t value);
