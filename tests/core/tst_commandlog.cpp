#include "commandlog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The log's rows: how many are kept, and the CSV they are saved as.
class TestCommandLog : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheNewestRowsInOrder();
    void csvReadsBackAsWritten();
};

void TestCommandLog::keepsTheNewestRowsInOrder()
{
    CommandLog log(10000);
    for (int i = 0; i < 10005; ++i)
        log.addCommand(i % 128, QString::number(i), CommandFrames::volume(i % 128, i % 65),
                       CommandLog::Result::Sent);
    QCOMPARE(log.rowCount(), 0); // until the table is next brought up to date
    log.flush();
    QCOMPARE(log.rowCount(), 10000);
    QCOMPARE(log.index(0, CommandLog::Command).data().toString(), u"5"_s);
    QCOMPARE(log.index(9999, CommandLog::Command).data().toString(), u"10004"_s);
    QCOMPARE(log.index(9999, CommandLog::Frame).data().toString(), u"94 03 3b 00"_s);
}

void TestCommandLog::csvReadsBackAsWritten()
{
    CommandLog log;
    log.addEvent(u"Open failed: /dev/a,\"b\"\nc"_s);
    log.addCommand(5, u"Play"_s, CommandFrames::transport(5, CommandFrames::Transport::Play),
                   CommandLog::Result::NotSent);
    QTemporaryDir folder;
    QString why;
    QVERIFY(!log.saveCsv(folder.filePath(u"gone/log.csv"_s), &why) && !why.isEmpty());
    // Never written through a FIFO or a device node, which would be replaced by a file.
    QVERIFY(mkfifo(qPrintable(folder.filePath(u"fifo"_s)), 0600) == 0);
    QVERIFY(!log.saveCsv(folder.filePath(u"fifo"_s), &why));
    QCOMPARE(why, folder.filePath(u"fifo: not a regular file"_s));
    QVERIFY(!QFileInfo(folder.filePath(u"fifo"_s)).isFile());
    QVERIFY(log.saveCsv(folder.filePath(u"log.csv"_s), &why));
    QFile file(folder.filePath(u"log.csv"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines[0], "\xef\xbb\xbfTime,Player,Command,Frame,Outcome\r");
    QCOMPARE(lines[1].mid(23), ",,,,\"Open failed: /dev/a,\"\"b\"\"");
    QCOMPARE(lines[2], "c\"\r");
    QCOMPARE(lines[3].mid(23), ",5,Play,85 02 01 00,not sent\r");
}

QTEST_GUILESS_MAIN(TestCommandLog)
#include "tst_commandlog.moc"
