#include "commandframe.h"

#include <QTest>

using namespace Qt::StringLiterals;

using CommandFrames::Transport;

class TestCommandFrame : public QObject
{
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void volumeLabel_data();
    void volumeLabel();
};

void TestCommandFrame::frames_data()
{
    QTest::addColumn<CommandFrame>("frame");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("echo");

    const auto row = [](const char *tag, CommandFrame frame, const char *hex, const char *echo) {
        QTest::newRow(tag) << frame << QByteArray::fromHex(hex) << QString::fromLatin1(echo);
    };
    row("play", CommandFrames::transport(5, Transport::Play), "85020100", "X : 0x85 0x2 0x1");
    row("stop", CommandFrames::transport(5, Transport::Stop), "85020200", "X : 0x85 0x2 0x2");
    row("next", CommandFrames::transport(5, Transport::Next), "85020300", "X : 0x85 0x2 0x3");
    row("previous", CommandFrames::transport(5, Transport::Previous), "85020400",
        "X : 0x85 0x2 0x4");
    row("play player 0", CommandFrames::transport(0, Transport::Play), "80020100",
        "X : 0x80 0x2 0x1");
    row("play player 127", CommandFrames::transport(127, Transport::Play), "ff020100",
        "X : 0xff 0x2 0x1");
    row("address wraps at 256", CommandFrames::transport(128, Transport::Stop), "00020200",
        "X : 0x0 0x2 0x2");
    row("folder 3", CommandFrames::launchFolder(5, 3), "85010300", "X : 0x85 0x1 0x3");
    row("folder 0", CommandFrames::launchFolder(5, 0), "85010000", "X : 0x85 0x1 0x0");
    row("folder 127", CommandFrames::launchFolder(5, 127), "85017f00", "X : 0x85 0x1 0x7f");
    row("folder 128", CommandFrames::launchFolder(5, 128), "85110000", "X : 0x85 0x11 0x0");
    row("folder 300", CommandFrames::launchFolder(5, 300), "85212c00", "X : 0x85 0x21 0x2c");
    row("folder 999 player 127", CommandFrames::launchFolder(127, 999), "ff716700",
        "X : 0xff 0x71 0x67");
    row("volume mute", CommandFrames::volume(5, 0), "85030000", "X : 0x85 0x3 0x0");
    row("volume player 0 level 0x20", CommandFrames::volume(0, 0x20), "80032000",
        "X : 0x80 0x3 0x20");
    row("volume top of long range", CommandFrames::volume(5, 64), "85034000", "X : 0x85 0x3 0x40");
}

void TestCommandFrame::frames()
{
    QFETCH(CommandFrame, frame);
    QFETCH(QByteArray, wire);
    QFETCH(QString, echo);

    QCOMPARE(frame.toByteArray(), wire);
    QCOMPARE(CommandFrames::echoText(u"X"_s, frame), echo);
}

void TestCommandFrame::volumeLabel_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("level");

    QTest::newRow("short range mute") << -31 << -31 << u"Mute"_s << 0x00;
    QTest::newRow("short range one above") << -30 << -31 << u"-30 dB"_s << 0x01;
    QTest::newRow("short range top") << 0 << -31 << u"0 dB"_s << 0x1f;
    QTest::newRow("long range mute") << -64 << -64 << u"Mute"_s << 0x00;
    QTest::newRow("long range one above") << -63 << -64 << u"-63 dB"_s << 0x01;
    QTest::newRow("long range top") << 0 << -64 << u"0 dB"_s << 0x40;
}

void TestCommandFrame::volumeLabel()
{
    QFETCH(int, value);
    QFETCH(int, minimum);
    QFETCH(QString, label);
    QFETCH(int, level);

    QCOMPARE(Volume::labelText(value, minimum, u"Mute"_s), label);
    QCOMPARE(Volume::level(value, minimum), level);
}

QTEST_APPLESS_MAIN(TestCommandFrame)
#include "tst_commandframe.moc"
