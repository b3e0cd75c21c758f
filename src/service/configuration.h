#pragma once

#include "remote/mqttsettings.h"
#include "remote/remotesettings.h"
#include "remote/venue.h"
#include "storage/settingssection.h"
#include "web/websettings.h"

#include <QString>
#include <QStringList>

// The serial line the service holds, as written; what the file does not say comes from the
// settings the window saved.
struct LineSettings
{
    QString port;
    QString model;
    QString baud;

    static const SettingsSection<LineSettings> &section();
    bool operator==(const LineSettings &other) const { return section().same(*this, other); }
};

// The players' names, the scenes and the schedule: the window's file unless one is named.
struct InstallationSettings
{
    QString file;

    static const SettingsSection<InstallationSettings> &section();
    bool operator==(const InstallationSettings &other) const
    {
        return section().same(*this, other);
    }
};

// A service's whole configuration: read strictly from one file, checked as a whole, compared
// section by section. tessaryd reads its file, the window its remote.ini; a reload reads and
// checks the new file before anything runs on it.
class ServiceConfiguration
{
public:
    enum class Part { Line, Remote, Installation, Mqtt, Web, Venue };

    // Every section and key the file may hold.
    static const IniFile::Schema &schema();
    // The file as written, every key missing at its default. lineNeeded: the service's own,
    // whose [line] must say where the players are (or the window's saved settings must).
    static ServiceConfiguration read(const QString &file, bool lineNeeded = true);

    // Everything that keeps it from being used as it is, each said with its file; empty when
    // nothing does: the file's own faults, a line that is none, addresses and subnets not as
    // written, an address this machine does not have, a certificate or key that cannot be
    // read, a secret in a file that others may read.
    QStringList faults() const { return m_faults; }
    bool isGood() const { return m_faults.isEmpty(); }

    // The parts that differ from another configuration.
    QList<Part> changedFrom(const ServiceConfiguration &other) const;
    static QString partName(Part part);

    // Every section as read, a key a line, secrets shown as set or not.
    QStringList shown() const;
    // The remote control's, the broker's and the page's, as the window keeps them.
    void saveFrontEnds(QSettings &settings) const;

    QString file;
    LineSettings line;
    // Whether there is a line at all: a venue's service may have none, only the building.
    bool ownLine = true;
    int model = 1; // the line's, as a number
    int baud = 19200;
    RemoteSettings remote;
    InstallationSettings installation; // file: the window's when none is named
    bool installationNamed = false;
    MqttSettings mqtt;
    WebSettings web;
    VenueSettings venue;

private:
    void check(const IniFile &read, bool lineNeeded);

    QStringList m_faults;
};
