#include "Sound.h"

#include "Modal.h"
#include "ResourceIds.h"

int WaveForSoundCode(int code) {
    switch (code) {
    case 1:
        return kWaveType1;
    case 15:
        return kWaveType15;
    case 24:
        return kWaveModeOn;
    case 29:
        return kWaveModeOff;
    default:
        return 0;
    }
}

void PlaySoundCode(int code) {
    if (const int id = WaveForSoundCode(code))
        Modal::PlaySound(id);
}
