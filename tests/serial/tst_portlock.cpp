#include "pseudoterminal.h"
#include "serial/portlock.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The lock files other programs leave for a port, in the forms they write them.
class TestPortLock : public QObject
{
    Q_OBJECT

private slots:
    void lockFiles_data();
    void lockFiles();
};

void TestPortLock::lockFiles_data()
{
    // What the lock file holds (%1 a live PID, "binary" that PID as a binary int, %2 a PID
    // gone); the holder found ("-" none, "*" any name), and whether the file is left there.
    QTest::addColumn<QByteArray>("lock");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("kept");
    QTest::newRow("ten digits and a name") << "%1 minicom root\n"_ba << u"%1 minicom"_s << true;
    QTest::newRow("Qt's lines") << "%1\nmonitor\nhost\n"_ba << u"%1 monitor"_s << true;
    // Four bytes of text are a PID in text, not the binary form.
    QTest::newRow("a short PID in text") << "  1\n"_ba << u"1 *"_s << true;
    QTest::newRow("a binary PID") << "binary"_ba << u"%1 sleep"_s << true;
    QTest::newRow("a process gone") << "%2\n"_ba << u"-"_s << false;
    QTest::newRow("no PID") << "minicom\n"_ba << u"-"_s << true;
}

void TestPortLock::lockFiles()
{
    QFETCH(QByteArray, lock);
    QFETCH(QString, holder);
    QFETCH(bool, kept);
    QProcess live, gone;
    live.start(u"sleep"_s, {u"30"_s});
    gone.start(u"true"_s);
    QVERIFY(live.waitForStarted() && gone.waitForStarted());
    const int pid = int(live.processId());
    const qint64 gonePid = gone.processId();
    QVERIFY(gone.waitForFinished());
    if (lock == "binary")
        lock = QByteArray(reinterpret_cast<const char *>(&pid), sizeof pid);
    lock.replace("%1", QByteArray::number(pid).rightJustified(10))
        .replace("%2", QByteArray::number(gonePid));
    const PseudoTerminal line;
    const QTemporaryDir folder;
    QFile file(folder.filePath(PortLock::lockFileName(line.slavePath)));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lock) == lock.size());
    file.close();
    const std::optional<PortLock::Holder> found =
        PortLock::findHolder(line.slavePath, nullptr, {folder.path()});
    QString seen = found ? u"%1 %2"_s.arg(found->pid).arg(found->name) : u"-"_s;
    if (holder.endsWith(u'*'))
        seen = seen.section(u' ', 0, 0) + u" *"_s;
    QCOMPARE(seen, QString(holder).replace(u"%1"_s, QString::number(pid)));
    QCOMPARE(file.exists(), kept);
    live.kill();
    live.waitForFinished();
}

QTEST_GUILESS_MAIN(TestPortLock)
#include "tst_portlock.moc"
