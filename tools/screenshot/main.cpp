// Takes the pictures of the real window that the README shows: the main window connected to a
// pseudo-terminal after a command, optionally in French, with the About window open, or with
// the command log shown after a few commands and a lost connection.
//
//   tessary-screenshot <output.png> [main|about|log] [en|fr]

#include "mainwindow/mainwindow.h"
#include "process/constants.h"
#include "pseudoterminal.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTextStream>
#include <QTimer>

namespace {

template <typename T> T *child(QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

} // namespace

int main(int argc, char **argv)
{
    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: tessary-screenshot <output.png> [main|about|log] [en|fr]\n";
        return 2;
    }
    const QString output = args.at(1);
    const QString what = args.value(2, QStringLiteral("main"));
    const QString language = args.value(3, QStringLiteral("en"));

    PseudoTerminal line;
    MainWindow window;
    auto *ports = child<QComboBox>(&window, "comboBox_Serial_Port");
    ports->addItem(line.slavePath);
    ports->setCurrentIndex(ports->count() - 1);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    if (language == QLatin1String("fr"))
        child<QAction>(&window, "actionFran_ais")->trigger();
    else
        child<QAction>(&window, "actionEnglish")->trigger();

    child<QPushButton>(&window, "pushButton_Open")->click();
    child<QComboBox>(&window, "comboBox_ID")->setCurrentIndex(5);
    child<QSlider>(&window, "horizontalSlider_All")->setValue(-12);
    if (what == QLatin1String("log")) {
        if (auto *log = child<QAction>(&window, "actionCommand_Log"); !log->isChecked())
            log->trigger();
        window.resize(window.width(), window.height() + 200);
        child<QPushButton>(&window, "pushButton_Play")->click();
        child<QComboBox>(&window, "comboBox_Folder")->setCurrentIndex(12);
        child<QPushButton>(&window, "pushButton_Folder_Load")->click();
        child<QPushButton>(&window, "pushButton_Next")->click();
        line.closeMaster(); // the adapter pulled, just as Stop is pressed
        child<QPushButton>(&window, "pushButton_Stop")->click();
    } else {
        child<QPushButton>(&window, "pushButton_Play")->click();
    }
    QTest::qWait(300);

    QPixmap picture;
    if (what == QLatin1String("about")) {
        child<QAction>(&window, "actionAbout")->trigger();
        QTest::qWait(300);
        QDialog *about = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(top); dialog && dialog->isVisible())
                about = dialog;
        if (!about) {
            QTextStream(stderr) << "no About window\n";
            return 1;
        }
        picture = about->grab();
    } else {
        picture = window.grab();
    }
    if (!picture.save(output)) {
        QTextStream(stderr) << "cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
