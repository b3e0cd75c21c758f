#pragma once

#include "serial/portwatcher.h"

#include <QObject>
#include <QString>

class LineHolder;
class QCheckBox;
class QComboBox;
class SerialLink;

// Selects what a saved value names in a list, as the settings file has always matched it.
void selectSaved(QComboBox *list, const QString &value);

// Which port the window means: the list of the ports present, the one the user chose or the
// saved one, which stays saved while its adapter is away, and the waiting for it that
// Auto-connection asks for.
class PortChoice : public QObject
{
    Q_OBJECT

public:
    PortChoice(QComboBox *list, QComboBox *baudRates, QCheckBox *autoConnect, PortWatcher *watcher,
               SerialLink *link);

    // Waits for the port, and opens it again after a loss.
    LineHolder *holder() const { return m_holder; }

    // The ports as listed now, each with what the system knows of it in its tooltip. The choice
    // stays where it was while that port is still there.
    void show(const QList<PortInfo> &ports);
    // The saved port, chosen if it is listed, else remembered until it comes.
    void restore(const QString &port);
    // The port to save: the one chosen, even while its adapter is away. Notes which adapter
    // it is, when the system knows it by a name of its own.
    QString toSave() const;
    // That port is open now: it is the one chosen.
    void opened(const QString &port);
    // The saved port, absent, that Auto-connection is to wait for; empty if none.
    QString awaited() const;
    // Waits for it.
    void waitForSaved();
    // With Auto-connection, waits for the port lost, or its adapter, to come back.
    void waitAgain(const QString &port);

private:
    // A port came or went. While the port is open the list stays as it is. While it is closed,
    // the list follows; the saved port, without Auto-connection, is chosen once it is there.
    void follow(const QList<PortInfo> &ports);

    QComboBox *m_list;
    QComboBox *m_baudRates;
    QCheckBox *m_autoConnect;
    PortWatcher *m_watcher;
    LineHolder *m_holder;
    SerialLink *m_link;
    QString m_chosen;  // the port the user chose, or the saved one
    QString m_saved;   // the saved port while it is absent at start
    QString m_adapter; // and its adapter's own name
};
