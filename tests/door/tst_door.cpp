#include "clients.h"
#include "freeports.h"
#include "pathonpty.h"
#include "remote/localserver.h"
#include "remote/remoteserver.h"
#include "web/webserver.h"

#include <QBuffer>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace Clients;

// The terms on which every way in takes its clients, each row a way a stranger on the network,
// or a visitor, once held what was not theirs: real clients on real sockets against the page's
// server and remote control, what reaches the line read back at a pseudo-terminal.
class TestDoor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void heldToItsTerms_data();
    void heldToItsTerms();
    void anotherMachine();
    void placesShared_data();
    void placesShared();
    void placeGivenBack_data();
    void placeGivenBack();

private:
    QByteArray request(const QByteArray &head, const QByteArray &body = {}) const
    {
        return head + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(web->port()) +
               "\r\nAuthorization: Bearer " + token.toLatin1() +
               "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }
    void startWeb(WebSettings settings)
    {
        QString why;
        settings.port = 0;
        QVERIFY2(web->start(settings, token, &why), qPrintable(why));
    }

    std::unique_ptr<PathOnPty> on;
    std::unique_ptr<RemoteServer> remote;
    std::unique_ptr<WebServer> web;
    RemoteSettings settings;
    QString token = WebServer::newToken();
};

void TestDoor::init()
{
    on = std::make_unique<PathOnPty>();
    web = std::make_unique<WebServer>(&on->path);
    remote = std::make_unique<RemoteServer>(&on->path);
    startWeb({});
    settings.enabled = true;
    settings.oscPort = freePorts(2);
    settings.textPort = settings.oscPort + 1;
    QString why;
    QVERIFY2(remote->start(settings, &why), qPrintable(why));
}

void TestDoor::heldToItsTerms_data()
{
    QTest::addColumn<QString>("finding");
    for (const char *finding :
         {"a page visited ten times", "TLS handshakes that fail, from four addresses",
          "an Upgrade header alone, then a body of 1 GB", "a WebSocket that pings and never reads",
          "slow clients from sixteen addresses", "half a message, trickled",
          "one address through two ways in", "near the limit of open files"})
        QTest::newRow(finding) << QString::fromLatin1(finding);
}

void TestDoor::heldToItsTerms()
{
    QFETCH(QString, finding);
    QSignalSpy webNotes(web.get(), &WebServer::note);
    const QString host = u"127.0.0.1:%1"_s.arg(web->port());
    const QString events = u"ws://%1/api/v1/events?token=%2"_s.arg(host, token);
    // Whether a new client is let in and answered at once, after what the row did.
    const auto webAnswers = [&](int from) {
        Socket client = connectFrom(from, web->port());
        client->write(request("GET /api/v1/state"));
        return answered(*client, 1000).startsWith("HTTP/1.1 200");
    };

    if (finding == u"a page visited ten times") {
        for (int visit = 0; visit < 10; ++visit) {
            QWebSocket page(u"http://"_s + host);
            QSignalSpy state(&page, &QWebSocket::textMessageReceived);
            page.open(QUrl(events));
            QTRY_COMPARE(state.size(), 1);
            page.close(); // as a browser leaving the page
            QTRY_COMPARE(page.state(), QAbstractSocket::UnconnectedState);
        }
        QTest::qWait(1200);
        std::vector<Socket> held;
        for (int i = 0; i < WebServer::MaxPerClient; ++i)
            held.push_back(connectFrom(1, web->port()));
        QVERIFY(webAnswers(2));
        QTest::qWait(100);
        for (const Socket &client : held)
            QCOMPARE(client->state(), QAbstractSocket::ConnectedState);
    } else if (finding.startsWith(u"TLS")) {
        WebSettings tls;
        tls.certFile = QFINDTESTDATA("../web/tls/localhost.pem");
        tls.keyFile = QFINDTESTDATA("../web/tls/localhost.key");
        startWeb(tls);
        // Plain HTTP, connect-and-close, and a phone that does not trust the certificate yet.
        std::vector<Socket> tried;
        for (int from = 2; from <= 5; ++from)
            for (int i = 0; i < 9; ++i) {
                if (i % 3 == 0) {
                    tried.push_back(connectFrom(from, web->port()));
                    tried.back()->write(request("GET /"));
                } else if (i % 3 == 1) {
                    connectFrom(from, web->port())->abort();
                } else {
                    auto *phone = new QSslSocket;
                    phone->bind(QHostAddress(u"127.0.0.%1"_s.arg(from)));
                    phone->connectToHostEncrypted(u"127.0.0.1"_s, web->port());
                    tried.emplace_back(phone);
                }
            }
        // Each turned away by the server, however long a loaded machine takes.
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(tried.cbegin(), tried.cend(),
                                             [](const Socket &socket) {
                                                 return socket->state() ==
                                                        QAbstractSocket::UnconnectedState;
                                             }),
                                 10000);
        QSslSocket trusting;
        trusting.bind(QHostAddress(u"127.0.0.2"_s));
        QSslConfiguration trust = trusting.sslConfiguration();
        trust.setCaCertificates(QSslCertificate::fromPath(tls.certFile));
        trusting.setSslConfiguration(trust);
        trusting.connectToHostEncrypted(u"127.0.0.1"_s, web->port());
        QTRY_VERIFY2(trusting.isEncrypted(), qPrintable(trusting.errorString()));
        trusting.write(request("GET /api/v1/state"));
        QVERIFY(answered(trusting, 1000).startsWith("HTTP/1.1 200"));
        // Served over TLS only: plain HTTP is never answered in the clear.
        QVERIFY(web->pageUrl().startsWith(u"https://"_s) && tried.front()->readAll().isEmpty());
        // Each said once, with the address of what is gone.
        for (const QList<QVariant> &note : std::as_const(webNotes))
            QVERIFY2(!note.first().toString().startsWith(u"web  "_s),
                     qPrintable(note.first().toString()));
    } else if (finding.startsWith(u"an Upgrade")) {
        Socket client = connectFrom(1, web->port());
        client->write(request("GET /api/v1/events?token=" + token.toLatin1())
                          .replace("\r\n\r\n", "\r\nUpgrade: websocket\r\n\r\n") +
                      request("POST /api/v1/request").replace("Length: 0", "Length: 1000000000") +
                      QByteArray(64 * 1024, 'x'));
        const QByteArray said = answered(*client);
        QVERIFY2(said.contains("HTTP/1.1 413"), said.constData());
        QCOMPARE(client->state(), QAbstractSocket::UnconnectedState);
    } else if (finding.startsWith(u"a WebSocket that pings")) {
        Socket flood = connectFrom(1, web->port());
        flood->setReadBufferSize(1); // reads nothing, as far as the server can tell
        flood->write("GET /api/v1/events?token=" + token.toLatin1() + " HTTP/1.1\r\nHost: " +
                     host.toLatin1() + "\r\nOrigin: http://" + host.toLatin1() +
                     "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: "
                     "13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n");
        // Masked pings of 125 bytes, each answered with a pong of the same.
        const QByteArray ping = QByteArray("\x89\xfd\0\0\0\0", 6) + QByteArray(125, 'p');
        for (QDeadlineTimer deadline(20000);
             flood->state() == QAbstractSocket::ConnectedState && !deadline.hasExpired();
             QTest::qWait(1))
            flood->write(ping.repeated(500));
        QCOMPARE(flood->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(webNotes.last().first().toString().endsWith(u"it does not read its answers"_s));
    } else if (finding.startsWith(u"slow clients")) {
        // A fifth connection from one address is never taken, whatever is free.
        std::vector<Socket> slow;
        for (int i = 0; i < 4; ++i)
            slow.push_back(connectFrom(19, settings.textPort));
        QSignalSpy remoteNotes(remote.get(), &RemoteServer::note);
        Socket fifth = connectFrom(19, settings.textPort);
        QTRY_COMPARE(fifth->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(remoteNotes.last().first(), u"text 127.0.0.19 refused: too many connections"_s);
        QCOMPARE(slow.back()->state(), QAbstractSocket::ConnectedState);
        slow.clear();
        // Four from each of sixteen addresses, each with half a cue, to both ways in.
        for (int from = 2; from < 18; ++from)
            for (int i = 0; i < 4; ++i) {
                slow.push_back(connectFrom(from, settings.textPort));
                slow.back()->write("5");
                slow.push_back(connectFrom(from, web->port()));
                slow.back()->write("GET / HTTP/1.1\r\n");
            }
        QTest::qWait(300);
        Socket newcomer = connectFrom(18, settings.textPort);
        newcomer->write("5 play\n");
        QCOMPARE(answered(*newcomer, 1000), "OK\r\n");
        QVERIFY(webAnswers(18));
    } else if (finding.startsWith(u"half a message")) {
        Socket text = connectFrom(1, settings.textPort), page = connectFrom(2, web->port());
        QElapsedTimer trickling;
        trickling.start();
        text->write("5");
        page->write("GET / HTTP/1.1\r\n");
        QByteArray toldPage;
        while (text->state() == QAbstractSocket::ConnectedState && trickling.elapsed() < 15000) {
            QTest::qWait(500);
            text->write(" ");
            page->write("X-Slow: 1\r\n");
            toldPage += page->readAll();
        }
        QVERIFY2(trickling.elapsed() > 9500 && trickling.elapsed() < 11500,
                 qPrintable(QString::number(trickling.elapsed())));
        QVERIFY((toldPage + answered(*page, 500)).startsWith("HTTP/1.1 408"));
        QVERIFY(webNotes.last().first().toString().endsWith(
            u"cut off: a message not whole 10 s after its first byte"_s));
    } else if (finding.startsWith(u"one address")) {
        // Stop All to 128 players is the whole budget of a client: a second, from the same
        // address by another way in, is over it.
        Socket text = connectFrom(1, settings.textPort), page = connectFrom(1, web->port());
        text->write("all stop\n");
        QCOMPARE(answered(*text, 500), "OK\r\n");
        page->write(request("POST /api/v1/request", "all stop"));
        QVERIFY(answered(*page, 500).startsWith("HTTP/1.1 429"));
        QCOMPARE(on->line.readAll().size(), 4 * 128);
    } else {
        QTemporaryDir folder;
        const QString socket = folder.filePath(u"tessaryd.sock"_s);
        QString why;
        LocalServer local(&on->path);
        QSignalSpy localNotes(&local, &LocalServer::note);
        QVERIFY(local.listen(socket, {}, &why));
        const auto openFiles = [] {
            return QDir(u"/proc/self/fd"_s)
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                .size();
        };
        rlimit before = {}, low = {};
        QVERIFY(getrlimit(RLIMIT_NOFILE, &before) == 0);
        low = before;
        low.rlim_cur = rlim_t(openFiles() + 20);
        QVERIFY(setrlimit(RLIMIT_NOFILE, &low) == 0);
        std::vector<std::unique_ptr<QLocalSocket>> locals(4);
        for (auto &local : locals) {
            local = std::make_unique<QLocalSocket>();
            local->connectToServer(socket);
        }
        QTRY_VERIFY(std::any_of(locals.cbegin(), locals.cend(), [](const auto &local) {
            return local->state() == QLocalSocket::UnconnectedState;
        }));
        QVERIFY(localNotes.last().first().toString().endsWith(
            u"near its limit of %1 open files"_s.arg(low.rlim_cur)));
        locals.clear();
        QVERIFY(setrlimit(RLIMIT_NOFILE, &before) == 0);
    }
}

// A client on another machine (a network namespace of the test's own), admitted by its single
// address as written, and by nothing else.
void TestDoor::anotherMachine()
{
    if (geteuid() != 0 || QStandardPaths::findExecutable(u"ip"_s).isEmpty())
        QSKIP("network namespaces need root and iproute2");
    const QString ns = u"tessary-door-%1"_s.arg(getpid()), net = u"10.77.%1."_s.arg(getpid() % 250);
    const auto cleanup = qScopeGuard([&] {
        QProcess::execute(u"ip"_s, {u"netns"_s, u"del"_s, ns});
    });
    QCOMPARE(QProcess::execute(u"sh"_s, {u"-ec"_s,
                                         u"ip netns del $0 2>/dev/null || true; "
                                         "ip netns add $0; ip link add td$2a type veth "
                                         "peer name td$2b; ip link set td$2b netns $0; "
                                         "ip addr add ${1}1/24 dev td$2a; ip link set "
                                         "td$2a up; ip -n $0 addr add ${1}2/24 dev td$2b; "
                                         "ip -n $0 link set td$2b up"_s,
                                         ns, net, QString::number(getpid())}),
             0);
    // What the client in the namespace is answered, by its shell.
    const auto ask = [&](quint16 to, const QByteArray &what) -> QByteArray {
        QProcess client;
        client.start(u"ip"_s, {u"netns"_s, u"exec"_s, ns, u"bash"_s, u"-c"_s,
                               u"exec 3<>/dev/tcp/"_s + net + u"1/"_s + QString::number(to) +
                                   u" && printf '%s' \"$1\" >&3 && timeout 1 cat <&3"_s,
                               u"-"_s, QString::fromLatin1(what)});
        for (QDeadlineTimer deadline(5000);
             client.state() != QProcess::NotRunning && !deadline.hasExpired();)
            QTest::qWait(10);
        return client.readAllStandardOutput();
    };
    for (const QString &allowed : {net + u'2', net + u'9'}) {
        const bool admitted = allowed.endsWith(u'2');
        settings.address = u"0.0.0.0"_s;
        settings.allowed = {allowed};
        QString why;
        QVERIFY2(remote->start(settings, &why), qPrintable(why));
        WebSettings page;
        page.address = settings.address;
        page.allowed = settings.allowed;
        startWeb(page);
        QCOMPARE(ask(settings.textPort, "5 play\n"), admitted ? "OK\r\n" : "");
        const QByteArray state =
            ask(web->port(), request("GET /api/v1/state")
                                 .replace("127.0.0.1", (net + u'1').toLatin1())
                                 .replace("\r\n\r\n", "\r\nConnection: close\r\n\r\n"));
        QCOMPARE(state.startsWith("HTTP/1.1 200"), admitted);
    }
}

void TestDoor::placesShared_data()
{
    // The places in all, the connections held (one letter an address, oldest first), the
    // newcomer's address; whether it is taken, and what each address holds then.
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("newcomer");
    QTest::addColumn<QString>("after");
    QTest::newRow("a new address, from the one holding most")
        << 4 << u"AAAB"_s << u"C"_s << u"AABC"_s;
    QTest::newRow("under its share, from the one holding most")
        << 6 << u"AAAABB"_s << u"B"_s << u"AAABBB"_s;
    QTest::newRow("the oldest of seven") << 8 << u"AAAAAAAB"_s << u"C"_s << u"AAAAAABC"_s;
    QTest::newRow("at its share") << 4 << u"AABB"_s << u"B"_s << u"AABB"_s;
    QTest::newRow("every address holding one") << 4 << u"ABCD"_s << u"E"_s << u"ABCD"_s;
}

// When every place is taken: who gives way, and to whom.
void TestDoor::placesShared()
{
    QFETCH(int, places);
    QFETCH(QString, held);
    QFETCH(QString, newcomer);
    QFETCH(QString, after);
    Door door({places, places, 60000, 1024});
    const auto address = [](QChar letter) {
        return QHostAddress(u"127.0.0.%1"_s.arg(letter.unicode() - u'A' + 2));
    };
    std::vector<std::unique_ptr<QBuffer>> connections;
    for (const QChar letter : held + newcomer) {
        connections.push_back(std::make_unique<QBuffer>());
        connections.back()->open(QIODevice::ReadWrite);
        door.enter(connections.back().get(), address(letter), letter);
        QTest::qWait(2); // oldest first
    }
    QString holding;
    for (QChar letter = u'A'; letter <= u'E'; letter = QChar(letter.unicode() + 1))
        holding += QString(door.heldBy(address(letter)), letter);
    QCOMPARE(holding, after);
    // The one that gave way is the oldest of its address.
    QCOMPARE(connections.front()->isOpen(), after.count(held.front()) == held.count(held.front()));
}

void TestDoor::placeGivenBack_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"cut", "closed with the rest", "ended by itself", "its peer gone",
                            "idle", "listening, never idle", "half a message"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

// Two connections from one address, in a door of two places: how the first one ends (a
// listener never does for its silence), and a place is free for a third.
void TestDoor::placeGivenBack()
{
    QFETCH(QString, how);
    const bool quiet = how == u"idle" || how.startsWith(u"listening");
    Door door({2, 2, quiet ? 100 : 60000, 1024, 300});
    QBuffer second, third;
    QTcpServer peers;
    QTcpSocket socket;
    QBuffer buffer;
    QIODevice &first = how.startsWith(u"its peer") ? static_cast<QIODevice &>(socket) : buffer;
    for (QBuffer *connection : {&buffer, &second, &third})
        connection->open(QIODevice::ReadWrite);
    if (how.startsWith(u"its peer")) { // ended, but open still with what it may have to read
        QVERIFY(peers.listen(QHostAddress::LocalHost));
        socket.connectToHost(QHostAddress::LocalHost, peers.serverPort());
        QVERIFY(socket.waitForConnected() && peers.waitForNewConnection(1000));
        delete peers.nextPendingConnection();
    }
    QVERIFY(door.enter(&first, QHostAddress::LocalHost, u"first"_s));
    QVERIFY(door.enter(&second, QHostAddress::LocalHost, u"second"_s));
    if (how == u"cut")
        door.cut(&first, u"a fault of its own"_s);
    else if (how.startsWith(u"closed"))
        door.closeAll();
    else if (how.startsWith(u"listening"))
        door.listens(&first);
    else if (how.startsWith(u"ended"))
        first.close(); // its place is given back while nobody has deleted it yet
    else if (how.startsWith(u"half"))
        door.heard(&first, true);
    if (how != u"cut" && !how.startsWith(u"closed"))
        QTest::qWait(how.startsWith(u"ended") || how.startsWith(u"its peer") ? 1100 : 500);
    QCOMPARE(&first == &socket ? socket.state() != QAbstractSocket::UnconnectedState
                               : first.isOpen(),
             how.startsWith(u"listening"));
    QVERIFY(door.enter(&third, QHostAddress::LocalHost, u"third"_s));
}

QTEST_GUILESS_MAIN(TestDoor)
#include "tst_door.moc"
