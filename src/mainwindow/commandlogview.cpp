#include "mainwindow/commandlogview.h"

#include "mainwindow/commandlogpanel.h"
#include "mainwindow/windowstate.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

CommandLogView::CommandLogView(CommandLog *log, QMainWindow *window, QMenu *before,
                               QWidget *lastControl)
    : QObject(window), m_log(log), m_window(window), m_lastControl(lastControl),
      m_menu(new QMenu(window->menuBar())), m_controls(window->centralWidget())
{
    m_menu->setObjectName(QStringLiteral("menuView"));
    window->menuBar()->insertMenu(before->menuAction(), m_menu);
    m_action = m_menu->addAction(QString());
    m_action->setObjectName(QStringLiteral("actionCommand_Log"));
    m_action->setCheckable(true);
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(m_action, &QAction::triggered, this, [this](bool shown) {
        show(shown);
        const QString refused = WindowState::keep({{QStringLiteral("commandLog/shown"), shown}});
        if (!refused.isEmpty())
            emit status(tr("Not saved: %1").arg(refused));
    });
    if (WindowState::kept(QStringLiteral("commandLog/shown"), false).toBool())
        show(true);
}

void CommandLogView::show(bool shown)
{
    if (!m_dock && shown) {
        m_dock = new QDockWidget(m_window);
        m_dock->setObjectName(QStringLiteral("dockWidget_Log"));
        m_dock->setAllowedAreas(Qt::BottomDockWidgetArea);
        // Hidden from View > Command Log alone, so that the check mark always tells.
        m_dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
        m_panel = new CommandLogPanel(m_log, m_dock);
        m_dock->setWidget(m_panel);
        m_window->addDockWidget(Qt::BottomDockWidgetArea, m_dock);
        chainTabs();
        retranslate();
        connect(m_dock, &QDockWidget::topLevelChanged, this,
                [this] { fitTo(m_window->screen()->availableGeometry().height()); });
    }
    if (m_dock)
        m_dock->setVisible(shown);
    m_action->setChecked(shown);
    fitTo(m_window->screen()->availableGeometry().height());
}

void CommandLogView::chainTabs()
{
    QWidget *previous = m_lastControl;
    for (const char *name : {"tableView_Log", "pushButton_Log_Clear", "pushButton_Log_Save"}) {
        QWidget *next = m_panel->findChild<QWidget *>(QLatin1String(name));
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

void CommandLogView::fitTo(int screenHeight)
{
    // What the window needs with the log docked under the controls, with room for its frame.
    constexpr int WindowFrame = 40;
    const bool docked = m_dock && !m_dock->isHidden() && !m_dock->isFloating();
    const int needed = m_controls->minimumSizeHint().height() +
                       m_window->menuBar()->sizeHint().height() +
                       (m_window->statusBar() ? m_window->statusBar()->sizeHint().height() : 0) +
                       (docked ? m_dock->minimumSizeHint().height() : 0) + WindowFrame;
    const bool scroll = docked && needed > screenHeight;
    if (scroll == (m_scroll != nullptr))
        return;
    m_window->takeCentralWidget();
    if (scroll) {
        m_scroll = new QScrollArea;
        m_scroll->setObjectName(QStringLiteral("scrollArea_Controls"));
        m_scroll->setFrameShape(QFrame::NoFrame);
        m_scroll->setFocusPolicy(Qt::NoFocus);
        m_scroll->setWidgetResizable(true);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scroll->setWidget(m_controls);
        // As wide as the controls, so that only the height scrolls.
        m_scroll->setMinimumWidth(m_controls->minimumSizeHint().width() +
                                  m_scroll->verticalScrollBar()->sizeHint().width());
        m_window->setCentralWidget(m_scroll);
    } else {
        m_scroll->takeWidget();
        m_window->setCentralWidget(m_controls);
        delete m_scroll;
        m_scroll = nullptr;
    }
    m_controls->show();
    chainTabs();
    if (!scroll)
        return;
    // Once the dock is laid out: the window within the screen, the log at its least height and
    // the controls with the rest.
    QTimer::singleShot(0, this, [this, screenHeight] {
        if (!m_scroll)
            return;
        m_window->resize(m_window->width(), screenHeight - WindowFrame);
        m_window->resizeDocks({m_dock}, {m_dock->minimumSizeHint().height()}, Qt::Vertical);
    });
}

void CommandLogView::retranslate()
{
    m_menu->setTitle(tr("&View"));
    m_action->setText(tr("Command &Log"));
    if (m_dock) {
        m_dock->setWindowTitle(tr("Command Log"));
        m_panel->retranslate();
    }
}
