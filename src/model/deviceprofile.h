#pragma once

#include <QString>
#include <QStringList>

// What the window offers for one player model: its folders, its line rates and its volume range.
struct DeviceProfile
{
    int folderCount = 0;     // folders "0" up to folderCount - 1
    QStringList baudRates;   // in list order
    int defaultBaudRate = 0; // index made current after the list is rebuilt
    int volumeMinimum = 0;   // the mute level; the maximum is always 0 dB
};

namespace DeviceProfiles {

inline constexpr int ModelCount = 3;
inline constexpr int VolumeMaximum = 0;

// Model numbers run from 1 to ModelCount, in the order of the device list.
bool isModel(int model);
// Their names, model 1 first, as the device list offers them.
QStringList modelNames();
// The model a name stands for, told apart without regard to case; 0 for none.
int modelNamed(const QString &name);
const DeviceProfile &profile(int model);
// Every folder and level some model has: what words may say before the model is known.
const DeviceProfile &widest();

// "0", "1", ... as the folder and player-ID lists show them.
QStringList numberItems(int count);

} // namespace DeviceProfiles
