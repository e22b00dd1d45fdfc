// The four sounds of the editor: typing (codes 1 and 15), mode on (24) and mode off (29), played
// from the WAVE resources of the current resource module. Playing never waits and never fails:
// a new sound replaces one still playing, and without an audio device nothing is heard.
#pragma once

// The WAVE resource of a sound code, or 0 for a code that plays nothing.
int WaveForSoundCode(int code);
void PlaySoundCode(int code);
