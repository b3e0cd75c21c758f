#include "command/commandlog.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
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
    CommandLog log(3);
    QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    int next = 0;
    for (const int batch : {2, 2, 5}) {
        for (int i = 0; i < batch; ++i, ++next)
            log.addCommand({next, PlayerCommand::Kind::Folder, next}, -31,
                           CommandFrames::volume(next, next), Reply::Reason::None);
        QCOMPARE(log.rowCount(), qMin(next - batch, 3)); // until the table is brought up to date
        log.flush();
    }
    QStringList kept;
    for (int row = 0; row < log.rowCount(); ++row)
        kept << log.index(row, CommandLog::Command).data().toString();
    QCOMPARE(kept, QStringList({u"Load folder 6"_s, u"Load folder 7"_s, u"Load folder 8"_s}));
    QCOMPARE(log.index(2, CommandLog::Frame).data().toString(), u"88 03 08 00"_s);
    // The time of day in the view, the day too in its tooltip.
    const QModelIndex time = log.index(0, CommandLog::Time);
    QCOMPARE(time.data(Qt::ToolTipRole).toString().section(u' ', 1), time.data().toString());
    QCOMPARE(time.data(Qt::ToolTipRole).toString().left(10),
             QDate::currentDate().toString(Qt::ISODate));
}

void TestCommandLog::csvReadsBackAsWritten()
{
    CommandLog log;
    log.addEvent(u"Open failed: /dev/a,\"b\"\nc"_s);
    log.addCommand({5, PlayerCommand::Kind::Play, 0}, -31,
                   CommandFrames::transport(5, CommandFrames::Transport::Play),
                   Reply::Reason::LineFull, u"OSC 10.0.0.7"_s);
    log.addCommand({12, PlayerCommand::Kind::Volume, -13}, -31, CommandFrames::volume(12, 18),
                   Reply::Reason::None, u"window"_s);
    Reply refused;
    refused.reason = Reply::Reason::Refused;
    refused.detail = u"no folder \"5000\": this model has 0 to 999"_s;
    log.addRequest(u"5 folder 5000"_s, refused, u"text 10.0.0.7"_s);
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
    QCOMPARE(lines[0], "\xef\xbb\xbfTime,Source,Player,Command,Frame,Outcome\r");
    QCOMPARE(lines[1].mid(23), ",,,,,\"Open failed: /dev/a,\"\"b\"\"");
    QCOMPARE(lines[2], "c\"\r");
    QCOMPARE(lines[3].mid(23), ",OSC 10.0.0.7,5,Play,85 02 01 00,not sent\r");
    QCOMPARE(lines[4].mid(23), ",window,12,Volume -13 dB,8c 03 12 00,sent\r");
    QCOMPARE(
        lines[5].mid(23),
        ",text 10.0.0.7,,5 folder 5000,,\"refused: no folder \"\"5000\"\": this model has 0 to "
        "999\"\r");
    // What was done, shown in the language of the moment.
    QTranslator french;
    QVERIFY(french.load(u"LanguageData_fr"_s, QStringLiteral(TESSARY_QM_DIR)));
    QCoreApplication::installTranslator(&french);
    log.flush();
    QCOMPARE(log.index(2, CommandLog::Source).data().toString(), u"fenêtre"_s);
    QCOMPARE(log.index(2, CommandLog::Command).data().toString(), u"Volume -13 dB"_s);
    QCOMPARE(log.index(1, CommandLog::Outcome).data().toString(), u"non envoyé"_s);
}

QTEST_GUILESS_MAIN(TestCommandLog)
#include "tst_commandlog.moc"
