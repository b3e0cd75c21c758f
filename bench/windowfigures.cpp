// The window at work: a model change, a command's latency against a raw write on the same
// pseudo-terminal, a volume drag with the log hidden and shown, a stalled line, and the settings
// file written and read back.

#include "mainwindow/mainwindow.h"
#include "measure.h"
#include "measures.h"
#include "process/constants.h"
#include "storage/configfile.h"
#include "storage/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

void windowFigures(MainWindow *window, PseudoTerminal &line, int runs)
{
    // 2. Model change, the window shown.
    Figures change;
    auto *models = child<QComboBox>(window, "comboBox_Device");
    for (int i = 0; i < runs * 30; ++i) {
        const int index = i % 3;
        models->setCurrentIndex(index);
        const qint64 t0 = nowNs();
        emit models->activated(index);
        change.values << (nowNs() - t0) / 1e3;
    }
    reportUnder("model change", change, "us", 500);

    // 3. Command latency: from Play's click until the four bytes are readable at the master. The
    // click is the button's own (QAbstractButton::click); the window system's delivery of a
    // mouse press and release is the same for every Qt button and is left out.
    connectWindow(window, line);
    auto *play = child<QPushButton>(window, "pushButton_Play");
    Figures command, raw;
    const char frame[4] = {char(0x80), 0x02, 0x01, 0x00};
    for (int i = 0; i < runs * 50; ++i) {
        qint64 t0 = nowNs();
        play->click();
        if (int(line.read(4).size()) != 4)
            qFatal("frame lost");
        command.values << (nowNs() - t0) / 1e3;
        t0 = nowNs();
        if (::write(line.slave, frame, 4) != 4 || int(line.read(4).size()) != 4)
            qFatal("raw write lost");
        raw.values << (nowNs() - t0) / 1e3;
    }
    report("command latency", command, raw, "us", 1.5);

    // 4. Volume drag across the whole range, one value at a time.
    models->setCurrentIndex(1);
    emit models->activated(1);
    connectWindow(window, line);
    auto *slider = child<QSlider>(window, "horizontalSlider_All");
    // Sweeps across the whole range, the event loop running after each value as in a drag, so
    // that a shown command log draws its rows.
    int changes = 0, frames = 0;
    const auto dragged = [&] {
        Figures drag;
        for (int sweep = 0; sweep < runs; ++sweep) {
            const int from = sweep % 2 ? slider->minimum() : slider->maximum();
            const int to = sweep % 2 ? slider->maximum() : slider->minimum();
            slider->setValue(from);
            QCoreApplication::processEvents();
            while (line.readAll(0).size() > 0)
                QThread::msleep(1);
            const int step = from < to ? 1 : -1;
            const qint64 t0 = nowNs();
            for (int v = from + step; v != to + step; v += step) {
                slider->setValue(v);
                QCoreApplication::processEvents();
                ++changes;
            }
            const qint64 t1 = nowNs();
            frames += int(line.read(4 * std::abs(to - from)).size()) / 4;
            drag.values << (t1 - t0) / 1e3 / std::abs(to - from);
        }
        return drag;
    };
    QAction *showLog = child<QAction>(window, "actionCommand_Log");
    if (showLog->isChecked())
        showLog->trigger();
    const Figures hidden = dragged();
    showLog->trigger();
    const Figures shown = dragged();
    showLog->trigger();
    report("volume drag, per frame, command log hidden", hidden, "us");
    report("volume drag, per frame, command log shown", shown, hidden, "us", 1.2);
    out() << "volume drag, frames at the line: " << frames << " for " << changes
          << " value changes (" << (frames == changes ? "equal" : "DIFFERENT") << ")" << Qt::endl;

    // A stalled line: its queue full and nobody reading. Only the first command waits for room.
    {
        const int writer = ::open(qPrintable(line.slavePath), O_WRONLY | O_NONBLOCK | O_NOCTTY);
        for (int quiet = 0; quiet < 3; QThread::msleep(20))
            quiet = ::write(writer, "0123456789abcdef", 16) > 0 ? 0 : quiet + 1;
        ::close(writer);
        const qint64 t0 = nowNs();
        for (int i = 0; i < 50; ++i)
            play->click();
        out() << "50 commands on a stalled line: " << (nowNs() - t0) / 1e6
              << " ms (target under 150 ms, the first one's wait included)" << Qt::endl;
        while (line.readAll(0).size() > 0)
            QThread::msleep(20);
        play->click();
        if (int(line.read(4).size()) < 4)
            qFatal("the line did not come back");
    }

    // 5. Settings file: gather, write whole, read back and parse.
    QTemporaryDir scratch;
    const SettingsStore store(scratch.path(), scratch.filePath(QStringLiteral("user")),
                              QStringLiteral("bench.cfg"));
    Configuration configuration{ModelName2,
                                line.slavePath,
                                QStringLiteral("38400"),
                                true,
                                Configuration::Language::French,
                                QStringLiteral("42")};
    Figures save, load;
    for (int i = 0; i < runs * 10; ++i) {
        qint64 t0 = nowNs();
        store.write(ConfigFile::format(configuration, QCoreApplication::applicationName(),
                                       QCoreApplication::applicationVersion()));
        save.values << (nowNs() - t0) / 1e3;
        t0 = nowNs();
        if (!ConfigFile::parse(store.read().value_or(QString())))
            qFatal("settings not read back");
        load.values << (nowNs() - t0) / 1e3;
    }
    report("settings save", save, "us");
    report("settings load", load, "us");
}
