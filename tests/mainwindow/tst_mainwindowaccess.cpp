#include "about/aboutwindows.h"
#include "command/schedulerunner.h"
#include "mainwindow/commandlogview.h"
#include "mainwindow/playersdialog.h"
#include "mainwindow/scenesdialog.h"
#include "mainwindow/scheduledialog.h"
#include "mainwindow/remotecontroldialog.h"
#include "windowtesting.h"

#include <QAccessible>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTestAccessibility>

using namespace Qt::StringLiterals;

// The window as a screen reader and the keyboard meet it, and its pictures at two scales.
class TestMainWindowAccess : public WindowTest
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void keyboard();
    void statusAnnounced();
    void picturesAtTwoScales();
    void everyWindowFitsTheScreen();
};

void TestMainWindowAccess::names_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("said");
    QTest::newRow("English") << u"English"_s
                             << u"Devices ComboBox|Connect Button|Disconnect Button|Port ComboBox|"
                                "BaudRate ComboBox|Auto-connection CheckBox|Player ID ComboBox|"
                                "Previous Button|Play Button|Stop Button|Next Button|Folder "
                                "ComboBox|Load folder Button|Minimum volume Button|Volume Slider|"
                                "Maximum volume Button|Command log Table|Clear Button|Save as... "
                                "Button"_s;
    QTest::newRow("French") << u"Fran_ais"_s
                            << u"Modèle ComboBox|Connecter Button|Déconnecter Button|Port ComboBox|"
                               "Débit ComboBox|Connexion automatique CheckBox|N° de lecteur "
                               "ComboBox|Précédent Button|Lire Button|Arrêter Button|Suivant "
                               "Button|Dossier ComboBox|Lancer le dossier Button|Volume minimum "
                               "Button|Volume Slider|Volume maximum Button|Journal des commandes "
                               "Table|Effacer Button|Enregistrer sous... Button"_s;
}

// Each control in the Tab order, as a screen reader says it: its name (a list's is the label it
// is labelled by), then its role. Alt and a letter reach one label, check box or menu each.
void TestMainWindowAccess::names()
{
    QFETCH(QString, language);
    QFETCH(QString, said);
    QFile::copy(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"), u"LanguageData_fr.qm"_s);
    start();
    PLAY(u"menu "_s + language + u"; menu Command_Log"_s);
    QStringList spoken;
    QWidget *widget = child("comboBox_Device");
    do {
        QAccessibleInterface *control = QAccessible::queryAccessibleInterface(widget);
        if (widget->focusPolicy() & Qt::TabFocus && control->role() == QAccessible::ComboBox)
            control = control->relations(QAccessible::Label).value(0).first;
        if (widget->focusPolicy() & Qt::TabFocus)
            spoken << control->text(QAccessible::Name) + u' ' +
                          QLatin1String(QMetaEnum::fromType<QAccessible::Role>().valueToKey(
                              QAccessible::queryAccessibleInterface(widget)->role()));
        widget = widget->nextInFocusChain();
    } while (widget != child("comboBox_Device"));
    QCOMPARE(spoken, said.split(u'|'));
    // Alt and a letter: a letter of its own for each text in the window, and in each menu.
    QList<QStringList> scopes{{}};
    for (QAction *title : window->menuBar()->actions()) {
        scopes.first() << title->text();
        scopes << QStringList();
        for (QAction *action : title->menu()->actions())
            scopes.last() << action->text();
    }
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        auto *button = qobject_cast<QAbstractButton *>(widget);
        auto *group = qobject_cast<QGroupBox *>(widget);
        scopes.first() << (label && label->buddy()                  ? label->text()
                           : button                                 ? button->text()
                           : group && group->title().contains(u'&') ? group->title()
                                                                    : QString());
    }
    for (QStringList texts : scopes) {
        texts.removeAll(QString()); // separators, picture buttons
        QStringList keys;
        for (const QString &text : texts)
            keys << QKeySequence::mnemonic(text).toString();
        QVERIFY2(!keys.contains(QString()) && keys.removeDuplicates() == 0,
                 qPrintable(texts.join(u", "_s)));
    }
}

// Tab leaves the log; the focus goes from Connect to Disconnect and back; the focus shows, and
// only the focus.
void TestMainWindowAccess::keyboard()
{
    start();
    PLAY(u"menu Command_Log; Serial_Port "_s + line->slavePath +
         u"; focus pushButton_Open; press Space; open; focused pushButton_Close; press Space; "
         "closed; focused pushButton_Open; connect; click Play; focus tableView_Log; press Tab; "
         "focused pushButton_Log_Clear"_s);
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        button->setEnabled(true);
        button->setFocus();
        const QImage focused = button->grab().toImage();
        child("comboBox_Device")->setFocus();
        const QImage unfocused = button->grab().toImage();
        QVERIFY2(unfocused != focused, qPrintable(button->objectName()));
        button->setStyle(window->style()); // without the focus, as the window's style has it
        QVERIFY2(button->grab().toImage() == unfocused, qPrintable(button->objectName()));
    }
}

// Run where an accessibility bus answers (tst_mainwindowaccess_desktop): the status line and the
// status bar each tell of a new status.
void TestMainWindowAccess::statusAnnounced()
{
    window = std::make_unique<MainWindow>();
    window->show();
    if (!QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000)) {
        QVERIFY(!qEnvironmentVariableIsSet("TESSARY_ACCESSIBILITY_BUS"));
        QSKIP("no accessibility bus here; run by tst_mainwindowaccess_desktop");
    }
    QTestAccessibility::initialize();
    for (const QString &step : {u"connect"_s, u"unplug"_s}) {
        qDeleteAll(QTestAccessibility::events()); // cleared, not deleted, by Qt's helper
        QTestAccessibility::clearEvents();
        const QString before = status();
        PLAY(step);
        QTRY_VERIFY(status() != before);
        QStringList told;
        for (const QAccessibleEvent *seen : QTestAccessibility::events())
            if (seen->type() == QAccessible::NameChanged)
                told << seen->object()->objectName() + u' ' +
                            QAccessible::queryAccessibleInterface(seen->object())
                                ->text(QAccessible::Name);
        QCOMPARE(told, QStringList({u"label_Status "_s + status(), u"statusBar "_s + status()}));
    }
    qDeleteAll(QTestAccessibility::events());
    QTestAccessibility::clearEvents();
    QTestAccessibility::cleanup();
}

// Each picture has a copy of twice its size, which the window uses on a screen at scale 2.
void TestMainWindowAccess::picturesAtTwoScales()
{
    const QDir pictures(u":/images/ressources"_s);
    const QStringList names = pictures.entryList({u"*.png"_s});
    QCOMPARE(names.filter(u"@2x"_s).size() * 2, names.size());
    for (const QString &name : names.filter(QRegularExpression(u"^[^@]+$"_s)))
        QCOMPARE(QImage(pictures.filePath(name.chopped(4) + u"@2x.png"_s)).size(),
                 QImage(pictures.filePath(name)).size() * 2);
    if (qApp->devicePixelRatio() < 2)
        QSKIP("the pictures on a screen at scale 2 are looked at by tst_mainwindowaccess_desktop");
    window = std::make_unique<MainWindow>();
    AboutWindows about;
    for (const auto &[shown, name] :
         {std::pair{child<QPushButton>("pushButton_Play")->icon().pixmap(16),
                    u"control_play_blue"_s},
          {about.findChild<QLabel *>(u"label_Image"_s)->pixmap(), u"About"_s}})
        QCOMPARE(shown.toImage(), QImage(pictures.filePath(name + u"@2x.png"_s))
                                      .convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

// Each dialog, in either language, fits 1366x768 at scale 1 and 1920x1080 at scale 2 (960x540
// as the dialogs see it), with room for a title bar: OK and Cancel never below the screen's edge.
// The command log's columns fit the window as it comes.
void TestMainWindowAccess::everyWindowFitsTheScreen()
{
    QFile::copy(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"), u"LanguageData_fr.qm"_s);
    start();
    const Installation installation =
        Installation::parse(u"[players]\n7 narration\n[scene Opening]\nnarration play\n"_s);
    for (const char *language : {"English", "Fran_ais"}) {
        PLAY(u"menu "_s + QLatin1String(language));
        // The command log, shown at the window's own size, needs no sideways scroll.
        PLAY(u"menu Command_Log"_s);
        window->resize(window->sizeHint());
        auto *log = window->findChild<QTableView *>();
        QTRY_VERIFY(log->isVisible() && log->viewport()->width() > 0);
        QCOMPARE(log->horizontalScrollBar()->maximum(), 0);
        // With the log, the window fits 1366x768 at scale 1 and 960x540 at scale 2, less the
        // frame; on the short one the controls scroll, and the log keeps room for several rows.
        for (const int height : {768, 540}) {
            window->findChild<CommandLogView *>()->fitTo(height);
            const QSize least = window->minimumSizeHint();
            QVERIFY2(least.width() <= 960 && least.height() <= height - 40,
                     qPrintable(u"window %1x%2"_s.arg(least.width()).arg(least.height())));
            QVERIFY(log->minimumHeight() >= 4 * log->verticalHeader()->defaultSectionSize());
            QTRY_VERIFY(
                window->findChild<QWidget *>(u"pushButton_Play"_s)->isVisibleTo(window.get()));
        }
        PLAY(u"menu Command_Log"_s);
        std::vector<std::unique_ptr<QWidget>> dialogs;
        WebSettings page; // served, with its address and QR code shown
        page.enabled = true;
        dialogs.push_back(std::make_unique<RemoteControlDialog>(RemoteSettings{}, MqttSettings{},
                                                                page, WebServer::newToken()));
        dialogs.push_back(std::make_unique<PlayersDialog>(installation));
        dialogs.push_back(std::make_unique<ScenesDialog>(installation, QList<QKeySequence>{}));
        dialogs.push_back(std::make_unique<ScheduleDialog>(
            installation, window->findChild<ScheduleRunner *>(),
            u"The service, tessaryd, holds the line and runs the schedule."_s));
        dialogs.push_back(std::make_unique<AboutWindows>());
        for (const auto &dialog : dialogs) {
            const QSize least = dialog->minimumSizeHint();
            QVERIFY2(least.width() <= 960 && least.height() <= 500,
                     qPrintable(u"%1 %2: %3x%4"_s
                                    .arg(QLatin1String(language),
                                         QLatin1String(dialog->metaObject()->className()))
                                    .arg(least.width())
                                    .arg(least.height())));
        }
    }
}

QTEST_MAIN(TestMainWindowAccess)
#include "tst_mainwindowaccess.moc"
