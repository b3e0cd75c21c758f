#include "commandlogview.h"

#include "commandlogpanel.h"
#include "windowstate.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

CommandLogView::CommandLogView(CommandLog *log, QMainWindow *window, QMenu *before,
                               QWidget *lastControl)
    : QObject(window), m_log(log), m_window(window), m_lastControl(lastControl),
      m_menu(new QMenu(window->menuBar()))
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
        // After the window's last control, Tab goes through the log, then Clear and Save as...
        QWidget *previous = m_lastControl;
        for (const char *name : {"tableView_Log", "pushButton_Log_Clear", "pushButton_Log_Save"}) {
            QWidget *next = m_panel->findChild<QWidget *>(QLatin1String(name));
            QWidget::setTabOrder(previous, next);
            previous = next;
        }
        retranslate();
    }
    if (m_dock)
        m_dock->setVisible(shown);
    m_action->setChecked(shown);
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
