#include "serial/portwatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <QTimer>
#include <future>
#include <mutex>

#if defined(TESSARY_HAVE_UDEV)
#include <QSocketNotifier>
#include <libudev.h>
#elif defined(Q_OS_WIN)
#include <QAbstractNativeEventFilter>
#include <dbt.h>
#include <qt_windows.h>
#endif

namespace {

std::mutex listerLock;
PortWatcher::Lister lister;
std::future<QList<PortInfo>> early;
int rescanInterval = 3000;

QList<PortInfo> listPorts()
{
    std::unique_lock<std::mutex> lock(listerLock);
    const PortWatcher::Lister current = lister;
    lock.unlock();
    return current ? current() : PortWatcher::systemPorts();
}

#if !defined(TESSARY_HAVE_UDEV) && defined(Q_OS_WIN)
// Windows tells every top-level window when a device arrives or goes.
class DeviceChanges : public QAbstractNativeEventFilter
{
public:
    explicit DeviceChanges(PortWatcher *watcher) : m_watcher(watcher) {}
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        const MSG *msg = static_cast<const MSG *>(message);
        if (type == "windows_generic_MSG" && msg->message == WM_DEVICECHANGE &&
            (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE))
            QMetaObject::invokeMethod(m_watcher, &PortWatcher::rescan, Qt::QueuedConnection);
        return false;
    }

private:
    PortWatcher *m_watcher;
};
#endif

// The adapters' stable names, by the device each leads to now.
QHash<QString, QString> stableNames()
{
    QHash<QString, QString> names;
#ifdef Q_OS_LINUX
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files))
        if (link.isSymLink())
            names.insert(link.canonicalFilePath(), link.fileName());
#endif
    return names;
}

} // namespace

bool PortInfo::operator==(const PortInfo &other) const
{
    return name == other.name && description == other.description &&
           manufacturer == other.manufacturer && serialNumber == other.serialNumber &&
           vendorId == other.vendorId && productId == other.productId &&
           stableName == other.stableName;
}

QString PortInfo::details() const
{
    QStringList lines;
    if (!description.isEmpty())
        lines << description;
    if (!manufacturer.isEmpty())
        lines << QCoreApplication::translate("PortWatcher", "Manufacturer: %1").arg(manufacturer);
    if (!serialNumber.isEmpty())
        lines << QCoreApplication::translate("PortWatcher", "Serial number: %1").arg(serialNumber);
    if (vendorId || productId)
        lines << QCoreApplication::translate("PortWatcher", "USB id: %1:%2")
                     .arg(vendorId, 4, 16, QLatin1Char('0'))
                     .arg(productId, 4, 16, QLatin1Char('0'));
    return lines.join(QLatin1Char('\n'));
}

PortWatcher::PortWatcher(QObject *parent) : QObject(parent)
{
    m_ports = early.valid() ? early.get() : listPorts();
    watchSystem();
}

PortWatcher::~PortWatcher()
{
    if (m_scan.joinable())
        m_scan.join();
#ifdef TESSARY_HAVE_UDEV
    udev_monitor_unref(static_cast<udev_monitor *>(m_monitor));
    udev_unref(static_cast<udev *>(m_udev));
#endif
}

void PortWatcher::scanEarly()
{
    if (!early.valid())
        early = std::async(std::launch::async, listPorts);
}

QList<PortInfo> PortWatcher::systemPorts()
{
    QList<PortInfo> ports;
    const QHash<QString, QString> stable = stableNames();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.description(), info.manufacturer(), info.serialNumber(),
                      info.vendorIdentifier(), info.productIdentifier(),
                      stable.value(info.systemLocation())});
    return ports;
}

void PortWatcher::setRescanInterval(int milliseconds)
{
    rescanInterval = milliseconds;
}

void PortWatcher::setLister(Lister replacement)
{
    const std::lock_guard<std::mutex> lock(listerLock);
    lister = std::move(replacement);
}

void PortWatcher::rescan()
{
    if (m_scanning) {
        m_again = true;
        return;
    }
    if (m_scan.joinable())
        m_scan.join();
    m_scanning = true;
    m_scan = std::thread([this] {
        const QList<PortInfo> ports = listPorts();
        QMetaObject::invokeMethod(
            this, [this, ports] { finishScan(ports); }, Qt::QueuedConnection);
    });
}

void PortWatcher::rescanNow()
{
    apply(listPorts());
    // A scan on its way may have begun before the change: it is followed by another.
    if (m_scanning)
        m_again = true;
}

void PortWatcher::finishScan(const QList<PortInfo> &ports)
{
    m_scanning = false;
    apply(ports);
    // A device that came or went while the list was being gathered may be missing from it.
    if (std::exchange(m_again, false))
        rescan();
}

void PortWatcher::apply(const QList<PortInfo> &ports)
{
    if (ports != m_ports) {
        m_ports = ports;
        emit portsChanged(m_ports);
    }
}

void PortWatcher::watchSystem()
{
#if defined(TESSARY_HAVE_UDEV)
    // Without the udev daemon (a container, a minimal system) no event ever comes: its
    // control socket tells whether it runs.
    udev *context = QFileInfo::exists(QStringLiteral("/run/udev/control")) ? udev_new() : nullptr;
    udev_monitor *monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    if (monitor && udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) >= 0 &&
        udev_monitor_enable_receiving(monitor) >= 0) {
        m_udev = context;
        m_monitor = monitor;
        auto *notifier =
            new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, monitor] {
            while (udev_device *device = udev_monitor_receive_device(monitor))
                udev_device_unref(device);
            rescan();
        });
        return;
    }
    udev_monitor_unref(monitor);
    udev_unref(context);
#elif defined(Q_OS_WIN)
    auto *filter = new DeviceChanges(this);
    QCoreApplication::instance()->installNativeEventFilter(filter);
    connect(this, &QObject::destroyed, [filter] {
        QCoreApplication::instance()->removeNativeEventFilter(filter);
        delete filter;
    });
    return;
#endif
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &PortWatcher::rescan);
    timer->start(rescanInterval);
}
