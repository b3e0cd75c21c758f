#pragma once

#include <QCoreApplication>
#include <QList>
#include <utility>

class QAbstractButton;
class QAction;
class QWidget;

// A button's own shortcut animates a click and ignores the presses that come while it runs, so
// fast presses were lost. Its keys move to a window-wide action, which acts on every press; the
// tooltip names them.
class ButtonKeys
{
    Q_DECLARE_TR_FUNCTIONS(ButtonKeys)

public:
    // play: the button that also answers the keypad's Enter.
    ButtonKeys(QWidget *window, const QList<QAbstractButton *> &buttons, QAbstractButton *play);

    // Done again whenever the form has put its texts and keys back.
    void adopt();

private:
    QList<std::pair<QAbstractButton *, QAction *>> m_keys;
    QAbstractButton *m_play;
};
