#include "mainwindow/portchoice.h"

#include "mainwindow/windowstate.h"
#include "serial/lineholder.h"
#include "serial/seriallink.h"
#include "storage/configfile.h"

#include <QCheckBox>
#include <QComboBox>
#include <algorithm>

namespace {

QStringList itemTexts(const QComboBox *list)
{
    QStringList texts;
    texts.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

const QString AdapterPortKey = QStringLiteral("adapter/port");
const QString AdapterNameKey = QStringLiteral("adapter/name");

} // namespace

void selectSaved(QComboBox *list, const QString &value)
{
    const int index = ConfigFile::matchListItem(itemTexts(list), value);
    if (index >= 0)
        list->setCurrentIndex(index);
}

PortChoice::PortChoice(QComboBox *list, QComboBox *baudRates, QCheckBox *autoConnect,
                       PortWatcher *watcher, SerialLink *link)
    : QObject(list), m_list(list), m_baudRates(baudRates), m_autoConnect(autoConnect),
      m_watcher(watcher), m_link(link)
{
    // The list follows first; then the port waited for is opened from it.
    connect(watcher, &PortWatcher::portsChanged, this, &PortChoice::follow);
    m_holder = new LineHolder(link, watcher, 0, this);
    // Picking another port is not waiting for the one that is gone.
    connect(list, &QComboBox::activated, this, [this] {
        m_chosen = m_list->currentText();
        m_saved.clear();
        m_holder->release();
    });
    // Auto-connection is what waits: ticked, the saved port is waited for; unticked, nothing is.
    connect(autoConnect, &QCheckBox::clicked, this, [this](bool waiting) {
        if (!waiting)
            m_holder->release();
        else if (!m_saved.isEmpty() && !m_link->isOpen())
            m_holder->hold(m_saved, m_baudRates->currentText().toInt(), m_adapter);
    });
}

void PortChoice::show(const QList<PortInfo> &ports)
{
    QStringList names;
    for (const PortInfo &port : ports)
        names << port.name;
    if (names != itemTexts(m_list)) {
        const QString current = m_list->currentText();
        m_list->clear();
        m_list->addItems(names);
        m_list->setCurrentIndex(names.isEmpty() ? -1 : qMax(0, names.indexOf(current)));
    }
    for (int i = 0; i < ports.size(); ++i)
        m_list->setItemData(i, ports[i].details(), Qt::ToolTipRole);
}

void PortChoice::follow(const QList<PortInfo> &ports)
{
    if (m_link->isOpen())
        return;
    show(ports);
    if (!m_saved.isEmpty() && !m_autoConnect->isChecked() && m_list->findText(m_saved) >= 0) {
        m_list->setCurrentIndex(m_list->findText(m_saved));
        m_saved.clear();
    }
}

void PortChoice::restore(const QString &port)
{
    selectSaved(m_list, port);
    m_chosen = port;
    if (m_list->findText(port) < 0)
        m_saved = port;
    // The adapter the saved port was last time, should it come back under another number.
    if (WindowState::kept(AdapterPortKey).toString() == port)
        m_adapter = WindowState::kept(AdapterNameKey).toString();
}

QString PortChoice::toSave() const
{
    const QString port = m_chosen.isEmpty() ? m_list->currentText() : m_chosen;
    // Kept only while that port is listed, written only when it changed.
    const QList<PortInfo> listed = m_watcher->ports();
    const auto info = std::find_if(listed.cbegin(), listed.cend(),
                                   [&port](const PortInfo &info) { return info.name == port; });
    if (info != listed.cend() && (WindowState::kept(AdapterPortKey).toString() != port ||
                                  WindowState::kept(AdapterNameKey).toString() != info->stableName))
        WindowState::keep({{AdapterPortKey, port}, {AdapterNameKey, info->stableName}});
    return port;
}

void PortChoice::opened(const QString &port)
{
    if (m_list->currentText() != port)
        m_list->setCurrentIndex(m_list->findText(port));
    m_chosen = port;
    m_saved.clear();
}

QString PortChoice::awaited() const
{
    return m_autoConnect->isChecked() ? m_saved : QString();
}

void PortChoice::waitForSaved()
{
    if (!awaited().isEmpty())
        m_holder->hold(m_saved, m_baudRates->currentText().toInt(), m_adapter);
}

void PortChoice::waitAgain(const QString &port)
{
    if (m_autoConnect->isChecked())
        m_holder->hold(port, m_baudRates->currentText().toInt(), m_holder->adapter(), true);
    show(m_watcher->ports());
}
