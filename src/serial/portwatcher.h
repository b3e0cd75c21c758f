#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <thread>

// What the system knows of one serial port. Only the name is used to open it and saved.
struct PortInfo
{
    PortInfo(const QString &name = {}, const QString &description = {},
             const QString &manufacturer = {}, const QString &serialNumber = {},
             quint16 vendorId = 0, quint16 productId = 0, const QString &stableName = {})
        : name(name), description(description), manufacturer(manufacturer),
          serialNumber(serialNumber), vendorId(vendorId), productId(productId),
          stableName(stableName)
    {}

    QString name;
    QString description;
    QString manufacturer;
    QString serialNumber;
    quint16 vendorId = 0; // USB ids, 0 when the port has none
    quint16 productId = 0;
    // The adapter's own name, whatever number the system gave it this time: on Linux its name
    // in /dev/serial/by-id, made from its serial number. Empty for a port without one.
    QString stableName;

    bool operator==(const PortInfo &other) const;
    // One line each for what is known beyond the name, for a tooltip.
    QString details() const;
};

// Follows the serial ports present. The list is gathered away from the GUI thread, and again
// only when the system says that a device came or went: a udev monitor on Linux, the device-
// change broadcast on Windows. Where no such news can come (no udev daemon, as in a container,
// or another system), the list is gathered again every few seconds in the background.
class PortWatcher : public QObject
{
    Q_OBJECT

public:
    using Lister = std::function<QList<PortInfo>()>;

    // Starts watching. ports() holds the list found at start, taken from scanEarly() if it ran.
    explicit PortWatcher(QObject *parent = nullptr);
    ~PortWatcher() override;

    // Starts gathering the list in the background as the process starts, so that the window
    // finds it ready instead of asking the system then (some 15 ms).
    static void scanEarly();
    // The ports as the system lists them, gathered in the calling thread.
    static QList<PortInfo> systemPorts();
    // Replaces the system's list, so tests can offer pseudo-terminals; nullptr restores it.
    // It is called from a background thread.
    static void setLister(Lister lister);
    // How often the list is gathered again where the system tells nothing of changes.
    static void setRescanInterval(int milliseconds);

    QList<PortInfo> ports() const { return m_ports; }

public slots:
    // Gathers the list again in the background; portsChanged() follows if it differs.
    void rescan();
    // Gathers it now, in the calling thread, for a list about to be shown; portsChanged()
    // follows before this returns if it differs.
    void rescanNow();

signals:
    void portsChanged(const QList<PortInfo> &ports);

private:
    void finishScan(const QList<PortInfo> &ports);
    void apply(const QList<PortInfo> &ports);
    void watchSystem();

    QList<PortInfo> m_ports;
    std::thread m_scan;
    bool m_scanning = false;
    bool m_again = false;
    void *m_udev = nullptr;
    void *m_monitor = nullptr;
};
