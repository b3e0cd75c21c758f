#include "command/commandpath.h"
#include "freeports.h"
#include "pathonpty.h"
#include "remote/localserver.h"
#include "remote/remoterequest.h"
#include "remote/remoteserver.h"
#include "serial/portlock.h"

#include <QLocalSocket>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// An OSC packet from its text: "ADDRESS [i:N] [f:N] [s:TEXT] [T] [F] [N]", or "bundle A | B".
QByteArray packet(const QString &described)
{
    const auto padded = [](QByteArray text) {
        return text + QByteArray(4 - text.size() % 4, '\0');
    };
    if (described.startsWith(u"bundle "_s)) {
        QByteArray bundle = padded("#bundle") + QByteArray(8, '\0');
        for (const QString &element : described.mid(7).split(u" | "_s)) {
            const QByteArray message = packet(element);
            char size[4];
            qToBigEndian(quint32(message.size()), size);
            bundle += QByteArray(size, 4) + message;
        }
        return bundle;
    }
    const QStringList words = described.split(u' ');
    QByteArray tags(","), data;
    for (const QString &word : words.mid(1)) {
        tags += word.at(0).toLatin1();
        char bytes[4];
        if (word.startsWith(u"i:"_s))
            qToBigEndian(quint32(word.mid(2).toInt()), bytes), data += QByteArray(bytes, 4);
        else if (word.startsWith(u"f:"_s))
            qToBigEndian(word.mid(2).toFloat(), bytes), data += QByteArray(bytes, 4);
        else if (word.startsWith(u"s:"_s))
            data += padded(word.mid(2).toUtf8());
    }
    return padded(words.first().toUtf8()) + padded(tags) + data;
}

// Replies as "ack ADDRESS TEXT" or "error ADDRESS TEXT", or the text protocol's lines.
QString readable(const QByteArray &reply)
{
    const Osc::Parsed parsed = Osc::parse(reply);
    if (!parsed.error.isEmpty())
        return QString::fromUtf8(reply).trimmed();
    QStringList said;
    for (const Osc::Message &message : parsed.messages) {
        QStringList words{QString::fromUtf8(message.address.mid(9))};
        for (const QVariant &argument : message.arguments)
            words << argument.toString();
        said << words.join(u' ');
    }
    return said.join(u"; "_s);
}

} // namespace

// Show controllers on the network, as real UDP and TCP clients on this machine, against a
// pseudo-terminal: what reaches the line and what each client is answered.
class TestRemote : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void messages_data();
    void messages();
    void lineLostAndBack();
    void localSenders();
    void strangersHeldOff();

private:
    // A UDP client's exchange: what it sends, and the replies to it (count of them), while the
    // server runs in this thread's event loop.
    QStringList exchange(QUdpSocket &client, quint16 port, const QByteArray &data, int replies)
    {
        client.writeDatagram(data, QHostAddress::LocalHost, port);
        QStringList said;
        for (QDeadlineTimer deadline(replies ? 3000 : 300);
             said.size() < replies && !deadline.hasExpired();) {
            QTest::qWait(2);
            while (client.hasPendingDatagrams())
                said << readable(client.receiveDatagram().data());
        }
        return said;
    }

    std::unique_ptr<PathOnPty> on;
    std::unique_ptr<RemoteServer> server;
    RemoteSettings settings;
};

void TestRemote::init()
{
    server.reset(); // before the path it serves
    on = std::make_unique<PathOnPty>(
        u"[players]\n7 narration\n12 courtyard\n20 lobby\n[scene Opening]\nnarration folder 3\n"
        "courtyard volume -6\nlobby play\n[scene Closing]\ncourtyard stop\nwait 0.5\nlobby stop\n"
        "[scene Bad]\nlobby volume -40\n"_s);
    server = std::make_unique<RemoteServer>(&on->path);
    settings.enabled = true;
    settings.oscPort = freePorts(2);
    settings.textPort = settings.oscPort + 1;
    QString why;
    QVERIFY2(server->start(settings, &why), qPrintable(why));
}

void TestRemote::messages_data()
{
    // How it comes (UDP unless said), what comes; the frames at the line; what is answered.
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("frames");
    QTest::addColumn<QString>("replies");
    const char *const rows[][5] = {
        {"play", "osc", "/tessary/5/play", "85020100", "ack /tessary/5/play sent"},
        {"a press", "osc", "/tessary/5/next i:1", "85020300", "ack /tessary/5/next sent"},
        // A push button's release sends 0: nothing goes out.
        {"a release", "osc", "/tessary/5/play i:0", "", "ack /tessary/5/play nothing to do"},
        {"stop as true", "osc", "/tessary/127/stop T", "ff020200", "ack /tessary/127/stop sent"},
        {"folder", "osc", "/tessary/5/folder i:130", "85110200", "ack /tessary/5/folder sent"},
        {"volume in dB as a float", "osc", "/tessary/5/volume f:-10.4", "85031500",
         "ack /tessary/5/volume sent"},
        {"mute", "osc", "/tessary/0/mute", "80030000", "ack /tessary/0/mute sent"},
        {"a folder not whole", "osc", "/tessary/5/folder f:2.5", "",
         "error /tessary/5/folder no folder \"2.5\": a whole number"},
        {"a string for a number", "osc", "/tessary/5/folder s:two", "",
         "error /tessary/5/folder the argument is not a number"},
        {"another address", "osc", "/lights/5/play", "", "error /lights/5/play unknown address"},
        {"a level empty", "osc", "/tessary/scene//Opening", "",
         "error /tessary/scene//Opening unknown address"},
        {"no player", "osc", "/tessary//play", "", "error /tessary//play unknown address"},
        {"nil", "osc", "/tessary/5/stop N", "",
         "error /tessary/5/stop the argument is not a number"},
        {"a bundle, in order", "osc", "bundle /tessary/1/folder i:3 | /tessary/2/play",
         "81010300 82020100", "ack /tessary/1/folder sent; ack /tessary/2/play sent"},
        {"over TCP with SLIP", "osc slip", "/tessary/5/play", "85020100",
         "ack /tessary/5/play sent"},
        // The framing's own bytes escaped both ways: "ۀ" is db 80.
        {"over SLIP, escaped", "osc slip", "/tessary/ۀ/play", "",
         "error /tessary/ۀ/play no player \"ۀ\": an ID, 0 to 127, or a name"},
        {"over TCP with sizes", "osc size", "/tessary/5/stop", "85020200",
         "ack /tessary/5/stop sent"},
        {"text", "text", "5 folder 12", "85010c00", "OK"},
        {"text lines over TCP", "text tcp", "5 volume -10\r\nPING\r\n5 jump\r\n300 play\n",
         "85031500",
         "OK PONG ERR 64 unknown command \"jump\" ERR 64 no player \"300\": an ID, 0 to 127, or a "
         "name"},
        {"a scene over OSC", "osc", "/tessary/scene/Opening", "87010300 8c031900 94020100",
         "ack /tessary/scene/Opening started"},
        {"stop all over OSC", "osc", "/tessary/all/stop", "87020200 8c020200 94020200",
         "ack /tessary/all/stop 3 frames sent"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2])
                              << QString::fromUtf8(row[3]) << QString::fromUtf8(row[4]);
}

void TestRemote::messages()
{
    QFETCH(QString, how);
    QFETCH(QString, request);
    QFETCH(QString, frames);
    QFETCH(QString, replies);
    const bool osc = how.startsWith(u"osc"_s);
    const quint16 to = osc ? settings.oscPort : settings.textPort;
    const QByteArray data = osc ? packet(request) : request.toUtf8();
    QSignalSpy logged(&on->path, &CommandPath::logged);
    QStringList said;
    if (!how.contains(u' ')) {
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost));
        said = exchange(client, to, data, int(replies.count(u';')) + 1);
    } else {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, to);
        QVERIFY(client.waitForConnected());
        // Framed here as a show controller does, sizes by hand.
        char size[4];
        qToBigEndian(quint32(data.size()), size);
        Osc::StreamDecoder framing;
        framing.feed("\xc0");
        client.write(how == u"osc size"_s ? QByteArray(size, 4) + data
                     : osc                ? framing.frame(data)
                                          : data);
        Osc::StreamDecoder back;
        QByteArray text;
        const auto received = [&] {
            const QByteArray got = client.readAll();
            back.feed(osc ? got : QByteArray());
            text += got;
            while (const std::optional<QByteArray> reply = back.next())
                said << readable(*reply);
            return osc ? said.join(u"; "_s)
                       : QString::fromUtf8(text).split(u"\r\n"_s, Qt::SkipEmptyParts).join(u' ');
        };
        QTRY_COMPARE(received(), replies);
        said = {replies};
    }
    QCOMPARE(said.join(osc ? u"; "_s : u" "_s), replies);
    QCOMPARE(on->line.readAll().toHex(), frames.remove(u' ').toLatin1());
    // Each request named in the log by where it came from.
    QVERIFY(logged.first().first().toString().startsWith((osc ? u"OSC"_s : u"text"_s) +
                                                         u" 127.0.0.1: "_s));
}

// A client heard from lately is told when the line goes and comes back; meanwhile every cue is
// answered "not sent", and nothing is sent later.
void TestRemote::lineLostAndBack()
{
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress::LocalHost));
    const auto cue = [&](int replies) {
        return exchange(client, settings.oscPort, packet(u"/tessary/3/play"_s), replies)
            .join(u"; "_s);
    };
    QCOMPARE(cue(1), u"ack /tessary/3/play sent"_s);
    QCOMPARE(on->line.read(4).toHex(), "83020100");
    on->line.closeMaster();
    QCOMPARE(cue(2), u"link lost; error /tessary/3/play not sent: connection lost"_s);
    QCOMPARE(cue(1), u"error /tessary/3/play not sent: connection lost"_s);
    PseudoTerminal back;
    QVERIFY(on->link.open(back.slavePath, 19200));
    QTRY_VERIFY(client.hasPendingDatagrams());
    QCOMPARE(readable(client.receiveDatagram().data()), u"link open"_s);
    QCOMPARE(cue(1), u"ack /tessary/3/play sent"_s);
    QCOMPARE(back.readAll().toHex(), "83020100");
    on->link.close();
    QCOMPARE(cue(2), u"link closed; error /tessary/3/play not sent: the port is not open"_s);
    QCOMPARE(exchange(client, settings.textPort, "3 play\n", 1),
             QStringList{u"ERR 74 not sent: the port is not open"_s});
}

// tessary-send on this machine, through the service's local socket: each line answered as it
// comes; a line without end cut off.
void TestRemote::localSenders()
{
    QTemporaryDir folder;
    QString why;
    LocalServer local(&on->path);
    QVERIFY(local.listen(folder.filePath(u"tessaryd.sock"_s), {}, &why));
    QLocalSocket sender;
    sender.connectToServer(folder.filePath(u"tessaryd.sock"_s));
    QVERIFY(sender.waitForConnected());
    for (const QByteArray request : {"9 play\n", "9 jump\n"}) {
        sender.write(request);
        QTRY_VERIFY(sender.canReadLine());
        QCOMPARE(sender.readLine().left(6), request == "9 play\n" ? "OK\r\n" : "ERR 64");
    }
    QCOMPARE(on->line.readAll().toHex(), "89020100");
    sender.write(QByteArray(RemoteRequests::MaxLine + 1, '9'));
    QTRY_COMPARE(sender.state(), QLocalSocket::UnconnectedState);
}

// What a stranger can make the server do: answer a datagram with a larger one, take a local
// socket that is not its own.
void TestRemote::strangersHeldOff()
{
    // A datagram is answered with one, never much larger than it.
    QUdpSocket asker;
    QVERIFY(asker.bind(QHostAddress::LocalHost));
    const QStringList answered =
        exchange(asker, settings.textPort, QByteArray("x\n").repeated(300), 2);
    QCOMPARE(answered.size(), 1);
    QVERIFY2(answered.first().startsWith(u"ERR 64 no player \"x\""_s) &&
                 answered.first().size() <= 600,
             qPrintable(answered.first()));
    QTemporaryDir folder;
    QString why;
    LocalServer local(&on->path), second(&on->path);
    QVERIFY(local.listen(folder.filePath(u"tessaryd.sock"_s), {}, &why));
    QVERIFY(!second.listen(folder.filePath(u"tessaryd.sock"_s), {}, &why));
    QCOMPARE(why, folder.filePath(u"tessaryd.sock: served by another program already"_s));
    QFile plain(folder.filePath(u"notes"_s));
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("mine") == 4);
    plain.close();
    QVERIFY(!second.listen(plain.fileName(), {}, &why));
    QVERIFY(why.endsWith(u"not a socket, left as it is"_s) &&
            QFileInfo(plain.fileName()).size() == 4);
}

QTEST_GUILESS_MAIN(TestRemote)
#include "tst_remote.moc"
