#include "model/deviceprofile.h"

#include "process/constants.h"

#include <array>

namespace DeviceProfiles {

namespace {

const std::array<DeviceProfile, ModelCount> &profiles()
{
    static const QStringList threeRates{QStringLiteral("9600"), QStringLiteral("19200"),
                                        QStringLiteral("38400")};
    static const std::array<DeviceProfile, ModelCount> table{{
        {1000, {QStringLiteral("19200")}, 0, -31}, // Lumetto
        {128, threeRates, 1, -64},                 // Galdris
        {1000, threeRates, 1, -64},                // Lumetto MKII
    }};
    return table;
}

} // namespace

bool isModel(int model)
{
    return model >= 1 && model <= ModelCount;
}

QStringList modelNames()
{
    return {ModelName1, ModelName2, ModelName3};
}

int modelNamed(const QString &name)
{
    const QStringList names = modelNames();
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return int(i) + 1;
    return 0;
}

const DeviceProfile &profile(int model)
{
    Q_ASSERT(isModel(model));
    return profiles()[std::size_t(model - 1)];
}

const DeviceProfile &widest()
{
    static const DeviceProfile all = [] {
        DeviceProfile widest;
        for (const DeviceProfile &model : profiles()) {
            widest.folderCount = qMax(widest.folderCount, model.folderCount);
            widest.volumeMinimum = qMin(widest.volumeMinimum, model.volumeMinimum);
        }
        return widest;
    }();
    return all;
}

QStringList numberItems(int count)
{
    QStringList items;
    items.reserve(count);
    for (int i = 0; i < count; ++i)
        items << QString::number(i);
    return items;
}

} // namespace DeviceProfiles
