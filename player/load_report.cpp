// The loader's report of what it cut or refused: a fixed array of records, so that reporting
// allocates nothing and cannot fail.
#include "player/load_report.h"

bool IsRefusal(LoadWarningKind kind) { return kind >= LOAD_REFUSED_NOT_XM; }

void AddLoadWarning(LoadReport* report, LoadWarningKind kind, int32_t subject, int32_t detail,
                    int64_t amount)
{
    if (report == nullptr) return;
    if (IsRefusal(kind)) report->refused = true;
    // A refusal always finds room: it replaces the last record when the array is full.
    if (report->count >= MAX_LOAD_WARNINGS) {
        report->dropped += 1;
        if (!IsRefusal(kind)) return;
        report->count = MAX_LOAD_WARNINGS - 1;
    }
    report->warnings[report->count++] = LoadWarning{kind, subject, detail, amount};
}
