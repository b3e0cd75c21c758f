#include "deviceprofile.h"

#include "constants.h"

#include <array>

namespace DeviceProfiles {

namespace {

const std::array<DeviceProfile, ModelCount> &profiles()
{
    static const QStringList threeRates{QStringLiteral("9600"), QStringLiteral("19200"),
                                        QStringLiteral("38400")};
    static const std::array<DeviceProfile, ModelCount> table{{
        {ModelName1, 1000, {QStringLiteral("19200")}, 0, -31},
        {ModelName2, 128, threeRates, 1, -64},
        {ModelName3, 1000, threeRates, 1, -64},
    }};
    return table;
}

} // namespace

bool isModel(int model)
{
    return model >= 1 && model <= ModelCount;
}

const DeviceProfile &profile(int model)
{
    Q_ASSERT(isModel(model));
    return profiles()[std::size_t(model - 1)];
}

QStringList modelNames()
{
    QStringList names;
    for (const DeviceProfile &p : profiles())
        names << p.modelName;
    return names;
}

QStringList folderItems(int count)
{
    QStringList items;
    items.reserve(count);
    for (int i = 0; i < count; ++i)
        items << QString::number(i);
    return items;
}

} // namespace DeviceProfiles
