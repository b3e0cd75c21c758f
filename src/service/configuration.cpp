#include "service/configuration.h"

#include "door/allowlist.h"
#include "model/deviceprofile.h"
#include "model/installation.h"
#include "storage/configfile.h"
#include "storage/settingsstore.h"
#include "web/webserver.h"

#include <QFileInfo>
#include <QNetworkInterface>

namespace {

// An address to listen on that this machine has: any, or one of its interfaces'.
bool isOwnAddress(const QString &text)
{
    const std::optional<QHostAddress> address = AllowList::readAddress(text);
    if (!address)
        return true; // said as not written as an address
    if (address->isLoopback() || *address == QHostAddress(QHostAddress::AnyIPv4) ||
        *address == QHostAddress(QHostAddress::AnyIPv6))
        return true;
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.cbegin(), own.cend(), [&address](const QHostAddress &one) {
        return AllowList::plain(one).isEqual(AllowList::plain(*address));
    });
}

} // namespace

const SettingsSection<LineSettings> &LineSettings::section()
{
    using S = LineSettings;
    static const SettingsSection<S> section(
        "line", {{"port", &S::port}, {"model", &S::model}, {"baud", &S::baud}});
    return section;
}

const SettingsSection<InstallationSettings> &InstallationSettings::section()
{
    static const SettingsSection<InstallationSettings> section(
        "installation", {{"file", &InstallationSettings::file}});
    return section;
}

const IniFile::Schema &ServiceConfiguration::schema()
{
    static const IniFile::Schema known{
        {LineSettings::section().name(), LineSettings::section().keyNames()},
        {RemoteSettings::section().name(), RemoteSettings::section().keyNames()},
        {InstallationSettings::section().name(), InstallationSettings::section().keyNames()},
        {MqttSettings::section().name(), MqttSettings::section().keyNames()},
        {WebSettings::section().name(), WebSettings::section().keyNames()},
        {VenueSettings::section().name(), VenueSettings::section().keyNames()},
    };
    return known;
}

ServiceConfiguration ServiceConfiguration::read(const QString &path, bool lineNeeded)
{
    ServiceConfiguration configuration;
    configuration.file = path;
    // What the window saved, for what the file does not say of the line: a first start's
    // model at its usual rate when it saved nothing.
    configuration.line.model = DeviceProfiles::modelNames().first();
    configuration.line.baud = QStringLiteral("19200");
    if (lineNeeded)
        if (const std::optional<QString> text = SettingsStore::forApplication().read())
            if (const std::optional<Configuration> saved = ConfigFile::parse(*text)) {
                configuration.line.port = saved->serialPort;
                configuration.line.model = saved->device;
                configuration.line.baud = saved->baudrate;
            }
    IniFile file = IniFile::load(path, schema());
    const LineSettings fallback = configuration.line;
    configuration.line = LineSettings::section().read(file);
    for (auto [value, saved] : {std::pair{&configuration.line.port, fallback.port},
                                {&configuration.line.model, fallback.model},
                                {&configuration.line.baud, fallback.baud}})
        if (value->isEmpty())
            *value = saved;
    configuration.remote = RemoteSettings::section().read(file);
    configuration.installation = InstallationSettings::section().read(file);
    configuration.installationNamed = !configuration.installation.file.isEmpty();
    if (!configuration.installationNamed)
        configuration.installation.file = Installation::windowFile();
    configuration.mqtt = MqttSettings::section().read(file);
    configuration.web = WebSettings::section().read(file);
    configuration.venue = VenueSettings::section().read(file);
    // The front desk's PC: the building, and no line of its own.
    const QStringList lineKeys = LineSettings::section().keyNames();
    configuration.ownLine =
        !configuration.venue.enabled ||
        std::any_of(lineKeys.cbegin(), lineKeys.cend(), [&file](const QString &key) {
            return file.contains(QStringLiteral("line"), key);
        });
    configuration.check(file, lineNeeded && configuration.ownLine);
    return configuration;
}

void ServiceConfiguration::check(const IniFile &read, bool lineNeeded)
{
    const auto fault = [this](const QString &what) {
        m_faults << QStringLiteral("%1: %2").arg(file, what);
    };
    for (const QString &error : read.errors())
        fault(error);
    if (!m_faults.isEmpty())
        return;
    if (lineNeeded) {
        const QStringList models = DeviceProfiles::modelNames();
        // The window's saved model as the window reads it, exactly; the file's in any case.
        model = read.contains(QStringLiteral("line"), QStringLiteral("model"))
                    ? DeviceProfiles::modelNamed(line.model)
                    : int(models.indexOf(line.model)) + 1;
        baud = line.baud.toInt();
        if (line.port.isEmpty())
            fault(QStringLiteral("no port: set port in [line]"));
        else if (!DeviceProfiles::isModel(model))
            fault(QStringLiteral("no model \"%1\"%2: %3")
                      .arg(line.model,
                           read.contains(QStringLiteral("line"), QStringLiteral("model"))
                               ? QString()
                               : QStringLiteral(" in the window's saved settings; set model in "
                                                "[line]"),
                           models.join(QLatin1String(", "))));
        else if (!DeviceProfiles::profile(model).baudRates.contains(line.baud))
            fault(QStringLiteral("%1 has no rate \"%2\"; it has %3")
                      .arg(models[model - 1], line.baud,
                           DeviceProfiles::profile(model).baudRates.join(QLatin1String(", "))));
    }
    if (remote.enabled) {
        if (const QString refused = remote.refusal(); !refused.isEmpty())
            fault(QStringLiteral("[remote] ") + refused);
        else if (!isOwnAddress(remote.address))
            fault(QStringLiteral("[remote] %1 is not an address of this machine")
                      .arg(remote.address));
    }
    if (web.enabled) {
        QString why;
        if (const QString refused = web.refusal(); !refused.isEmpty())
            fault(QStringLiteral("[web] ") + refused);
        else if (!isOwnAddress(web.address))
            fault(QStringLiteral("[web] %1 is not an address of this machine").arg(web.address));
#if QT_CONFIG(ssl)
        else if (!web.certFile.isEmpty() && !WebServer::tlsConfiguration(web, &why))
            fault(QStringLiteral("[web] ") + why);
#endif
    }
    if (mqtt.enabled)
        if (const QString refused = mqtt.refusal(); !refused.isEmpty())
            fault(QStringLiteral("[mqtt] ") + refused);
    if (venue.enabled && (!mqtt.enabled || !web.enabled))
        fault(QStringLiteral("[venue] needs [mqtt], where the rooms are, and [web], the page that "
                             "shows them"));
    // A password, and the page's token, are kept where only their owner reads them.
    if ((!mqtt.password.isEmpty() || !web.token.isEmpty()) &&
        (QFileInfo(file).permissions() & (QFile::ReadOther | QFile::ReadGroup)))
        m_faults << QStringLiteral("%1 holds %2 but others may read it: chmod 600 it")
                        .arg(file, mqtt.password.isEmpty() ? QStringLiteral("the page's token")
                                                           : QStringLiteral("the MQTT password"));
}

QList<ServiceConfiguration::Part>
ServiceConfiguration::changedFrom(const ServiceConfiguration &other) const
{
    QList<Part> changed;
    if (!(line == other.line))
        changed << Part::Line;
    if (!(remote == other.remote))
        changed << Part::Remote;
    if (!(installation == other.installation))
        changed << Part::Installation;
    if (!(mqtt == other.mqtt))
        changed << Part::Mqtt;
    if (!(web == other.web))
        changed << Part::Web;
    if (!(venue == other.venue) || ownLine != other.ownLine)
        changed << Part::Venue;
    return changed;
}

QString ServiceConfiguration::partName(Part part)
{
    switch (part) {
    case Part::Line:
        return QStringLiteral("the line");
    case Part::Remote:
        return QStringLiteral("remote control");
    case Part::Installation:
        return QStringLiteral("the installation");
    case Part::Mqtt:
        return QStringLiteral("MQTT");
    case Part::Venue:
        return QStringLiteral("the venue");
    case Part::Web:
        break;
    }
    return QStringLiteral("the page");
}

QStringList ServiceConfiguration::shown() const
{
    QStringList lines;
    const auto section = [&lines](const auto &keys, const auto &settings) {
        lines << u'[' + keys.name() + u']';
        for (const QString &key : keys.shown(settings))
            lines << QStringLiteral("  ") + key;
    };
    section(LineSettings::section(), line);
    section(RemoteSettings::section(), remote);
    section(InstallationSettings::section(), installation);
    section(MqttSettings::section(), mqtt);
    section(WebSettings::section(), web);
    section(VenueSettings::section(), venue);
    return lines;
}

void ServiceConfiguration::saveFrontEnds(QSettings &settings) const
{
    RemoteSettings::section().save(settings, remote);
    MqttSettings::section().save(settings, mqtt);
    WebSettings::section().save(settings, web);
}
