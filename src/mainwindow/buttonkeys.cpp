#include "mainwindow/buttonkeys.h"

#include <QAbstractButton>
#include <QAction>
#include <QWidget>

ButtonKeys::ButtonKeys(QWidget *window, const QList<QAbstractButton *> &buttons,
                       QAbstractButton *play)
    : m_play(play)
{
    for (QAbstractButton *button : buttons) {
        auto *action = new QAction(window);
        window->addAction(action);
        // A click, not the slot: a disabled button ignores its keys as it ignores the mouse.
        QObject::connect(action, &QAction::triggered, button, &QAbstractButton::click);
        m_keys.append({button, action});
    }
    adopt();
}

void ButtonKeys::adopt()
{
    for (const auto &[button, action] : std::as_const(m_keys)) {
        QList<QKeySequence> keys{button->shortcut()};
        if (button == m_play)
            keys << QKeySequence(Qt::CTRL | Qt::Key_Enter); // the keypad's Enter
        if (keys.first().isEmpty())
            continue;
        action->setShortcuts(keys);
        button->setShortcut(QKeySequence());
        button->setToolTip(
            tr("%1 (%2)").arg(button->toolTip(), keys.first().toString(QKeySequence::NativeText)));
        // A screen reader says the name, then this: what the button does and its key.
        button->setAccessibleDescription(button->toolTip());
    }
}
