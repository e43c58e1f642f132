// Private to the headless host: the audio part's reset, called by HeadlessReset.
#pragma once

void HeadlessResetAudio();
