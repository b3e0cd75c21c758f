#pragma once

#include "command/commandpath.h"
#include "door/door.h"
#include "remote/osc.h"
#include "remote/remotesettings.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <optional>

class QAbstractSocket;
class QSettings;
class QTcpServer;
class QTimer;
class QUdpSocket;

// Takes cues from show controllers on the network and hands them to the request path: OSC over
// UDP and TCP, and plain text lines over UDP and TCP, each answered. Who may come in, and on what
// terms, is the door's to say: a client outside the allowed addresses gets nothing, and each
// client's address is a budget of its own.
class RemoteServer : public QObject
{
    Q_OBJECT

public:
    explicit RemoteServer(CommandPath *path, QObject *parent = nullptr);
    ~RemoteServer() override;

    // Listens as the settings say, after stopping what listened before. False, with why (the
    // port in use, an address that is not one), when it could not: nothing listens then.
    bool start(const RemoteSettings &settings, QString *why);
    // Why a port cannot be listened on, for a person: in use and by whom, an address this
    // machine does not have, or the system's own reason.
    static QString refusal(QAbstractSocket::SocketError error, const QString &reason, quint16 port,
                           const QString &address, bool udp);
    void stop();
    bool isListening() const { return !m_sockets.isEmpty(); }
    // What it listens on, as the status line says it.
    QString description() const;

    // Connections in all and per address, a silence between messages, answers left unread.
    static constexpr Door::Limits DoorLimits{32, 4, 15 * 60 * 1000, 64 * 1024};

signals:
    // A client refused (at most once a minute each) or cut off, in a line for the log.
    void note(const QString &text);

private:
    struct Client
    {
        QElapsedTimer seen;
        QString oscName, textName; // as the log names it
        QString key;               // its budget's
        // Where link news go: the last datagram's port, or its connection.
        quint16 oscPort = 0;
        QPointer<QAbstractSocket> oscConnection;
    };
    struct Connection
    {
        bool osc = false;
        Osc::StreamDecoder packets;
        QByteArray line;
    };

    Client &client(const QHostAddress &address);
    QString sourceName(bool osc, const QHostAddress &address);
    QString clientKey(const QHostAddress &address);
    QList<QByteArray> answerPacket(const QByteArray &packet, const QHostAddress &from);
    QByteArray answerLines(QByteArray &buffer, const QHostAddress &from, bool complete);
    void readDatagrams(QUdpSocket *socket, bool osc);
    void acceptConnection(QTcpServer *server, bool osc);
    void readConnection(QAbstractSocket *socket);
    void tellLink(CommandPath::LinkState state);

    CommandPath *m_path;
    QList<QObject *> m_sockets;
    QHash<QAbstractSocket *, Connection> m_connections;
    QHash<QHostAddress, Client> m_clients;
    QByteArray m_datagram; // what a datagram is read into
    RemoteSettings m_settings;
    Door *m_door; // UDP and TCP, OSC and text alike
};
