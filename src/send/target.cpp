#include "send/target.h"

#include "model/deviceprofile.h"
#include "model/playercommand.h"
#include "send/output.h"
#include "storage/configfile.h"
#include "storage/settingsstore.h"

#include <QCommandLineParser>

QString typed(QString argument)
{
    return argument.startsWith(QChar(0x2212)) ? argument.replace(0, 1, QLatin1Char('-')) : argument;
}

void Target::readSaved()
{
    const SettingsStore store = SettingsStore::forApplication();
    const std::optional<QString> text = store.read();
    if (!text)
        return;
    const std::optional<Configuration> saved = ConfigFile::parse(*text);
    if (!saved) {
        Output::fail(Output::Sent,
                     QStringLiteral("%1 is not a settings file the window wrote; give --port, "
                                    "--model, --baud and --id")
                         .arg(store.loadPath()));
        return;
    }
    // Where the window would fall back on the first item of a list, a command for show
    // equipment is not sent on a guess.
    const QStringList models = DeviceProfiles::modelNames();
    port = saved->serialPort;
    // As the window reads it, exactly: a model it would not take is not guessed here either.
    model = int(models.indexOf(saved->device)) + 1;
    if (model == 0) {
        model = 1;
        doubtful.insert(QStringLiteral("model"),
                        QStringLiteral("the saved model \"%1\" is not one of %2; give --model")
                            .arg(saved->device, models.join(QLatin1String(", "))));
    }
    baud = saved->baudrate;
    const QStringList rates = DeviceProfiles::profile(model).baudRates;
    if (!rates.contains(baud))
        doubtful.insert(
            QStringLiteral("baud"),
            QStringLiteral("the saved rate \"%1\" is not one %2 has (%3); give --baud")
                .arg(saved->baudrate, models[model - 1], rates.join(QLatin1String(", "))));
    if (const std::optional<int> id = PlayerCommands::playerId(saved->playerId))
        player = QString::number(*id);
    else
        doubtful.insert(QStringLiteral("id"),
                        QStringLiteral("the saved player ID \"%1\" is not one of 0 to 127; "
                                       "give --id")
                            .arg(saved->playerId));
}

QString Target::applyOptions(const QCommandLineParser &parser)
{
    const QStringList models = DeviceProfiles::modelNames();
    const auto value = [&parser](const char *option) {
        return typed(parser.value(QLatin1String(option)));
    };
    const bool modelGiven = parser.isSet(QStringLiteral("model"));
    if (modelGiven) {
        const QString wanted = value("model");
        model = DeviceProfiles::modelNamed(wanted);
        if (model == 0)
            return QStringLiteral("unknown model \"%1\"; the models are %2")
                .arg(wanted, models.join(QLatin1String(", ")));
    } else if (doubtful.contains(QStringLiteral("model"))) {
        return doubtful.value(QStringLiteral("model"));
    }
    const DeviceProfile &profile = DeviceProfiles::profile(model);
    if (parser.isSet(QStringLiteral("baud"))) {
        baud = value("baud");
        if (!profile.baudRates.contains(baud))
            return QStringLiteral("%1 has no rate %2; it has %3")
                .arg(models[model - 1], baud, profile.baudRates.join(QLatin1String(", ")));
    } else if (!modelGiven && doubtful.contains(QStringLiteral("baud"))) {
        return doubtful.value(QStringLiteral("baud"));
    } else if (!profile.baudRates.contains(baud)) {
        // Nothing saved, or the saved rate of another model: this one's usual rate.
        baud = profile.baudRates[profile.defaultBaudRate];
    }
    if (parser.isSet(QStringLiteral("id")))
        player = value("id");
    else if (doubtful.contains(QStringLiteral("id")))
        return doubtful.value(QStringLiteral("id"));
    if (parser.isSet(QStringLiteral("port")))
        port = value("port");
    return {};
}
