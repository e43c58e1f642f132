// The XM loader: fills a zero-filled Song from an "Extended Module" read through the stream
// layer. Any bytes are accepted; what keeps that safe is listed at the top of xm_loader.cpp.
#pragma once

#include "load_report.h"
#include "song.h"
#include "source.h"

// Returns false for a file that is no XM module or whose counts this player cannot hold;
// whatever was allocated by then stays consistent, and FreeSong releases it. With a report,
// every cut made to what the file could not back, and the reason of a refusal, is added to it.
bool ParseModule(Song* song, SourceStream* stream, LoadReport* report = nullptr);
