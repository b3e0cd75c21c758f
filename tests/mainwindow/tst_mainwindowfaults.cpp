#include "windowtesting.h"

#include <QProcess>
#include <QStyle>

using namespace Qt::StringLiterals;

// The window under faults: a port held elsewhere, a device that goes away. It keeps working,
// says what happened and sends nothing it does not show.
class TestMainWindowFaults : public WindowTest
{
    Q_OBJECT

private slots:
    void portHeldByAnotherProgram();
    void deviceGoneDuringADragAndBetweenCommands();
};

void TestMainWindowFaults::portHeldByAnotherProgram()
{
    QProcess holder;
    holder.start(QStringLiteral(TESSARY_PORT_HOLDER), {line->slavePath});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine(), QByteArray("held\n"));
    start();
    QCOMPARE(play(u"connect; status Open failed: *; closed; press Ctrl+Return; press Ctrl+3; "
                  "press Ctrl++; sends; status Open failed: *"_s),
             QString());
    // Once the other program lets go, Connect works.
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(play(u"click Open; status Open; click Play; sends 80020100"_s), QString());
}

void TestMainWindowFaults::deviceGoneDuringADragAndBetweenCommands()
{
    start();
    QCOMPARE(play(u"connect"_s), QString());
    auto *slider = child<QSlider>("horizontalSlider_All");
    const int handle = slider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider);
    const auto at = [slider, handle](int value) {
        return QPoint(QStyle::sliderPositionFromValue(-31, 0, value, slider->width() - handle) +
                          handle / 2,
                      slider->height() / 2);
    };
    QTest::mousePress(slider, Qt::LeftButton, {}, at(0));
    // Each value the handle passes goes out as one frame, until the device goes.
    for (int value = -1; value >= -10; --value) {
        if (value == -4)
            QCOMPARE(play(u"sends 80031e00 80031d00 80031c00; unplug"_s), QString());
        QTest::mouseMove(slider, at(value));
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at(-10));
    QVERIFY(!slider->isSliderDown());
    // The folder keys no longer claim to send anything; a working line takes the level from
    // where the slider stands.
    line = std::make_unique<PseudoTerminal>();
    QCOMPARE(play(u"status Connection lost; closed; press Ctrl+4; status Connection lost; "
                  "connect; status Open; focus horizontalSlider_All; press Left; sends 8003%1 00; "
                  "unplug; click Stop; status Connection lost; closed"_s.arg(slider->value() + 30,
                                                                             2, 16, QChar(u'0'))),
             QString());
}

QTEST_MAIN(TestMainWindowFaults)
#include "tst_mainwindowfaults.moc"
