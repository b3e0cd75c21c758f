#include "mainwindow/controlmanners.h"

#include "serial/portwatcher.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

// Keeps the wheel from changing a list the user is only scrolling past: one turn over the
// Devices list would change the model and drop the connection.
class WheelOnlyWithFocus : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        return event->type() == QEvent::Wheel && !static_cast<QWidget *>(watched)->hasFocus();
    }
};

// Opening the port list asks for the ports present, in case the system said nothing of a
// change: the list follows before it opens.
class RescanOnOpening : public QObject
{
public:
    RescanOnOpening(PortWatcher *watcher, QObject *parent) : QObject(parent), m_watcher(watcher) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        const auto *key =
            event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event) : nullptr;
        // The list shows the ports present now, not those of the last look.
        if (event->type() == QEvent::MouseButtonPress ||
            (key && (key->key() == Qt::Key_F4 ||
                     (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier))))
            m_watcher->rescanNow();
        return false;
    }

private:
    PortWatcher *m_watcher;
};

// A flat picture button shows no focus of its own in most styles: the one the keyboard is on
// gets a frame in the highlight colour, which stands out in a light and in a dark theme.
class FocusFrameStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
        if (element != CE_PushButton || !button || !(button->features & QStyleOptionButton::Flat) ||
            !(option->state & State_HasFocus) || !(option->state & State_KeyboardFocusChange))
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option->rect).adjusted(1, 1, -1, -1), 3, 3);
        painter->restore();
    }
};

} // namespace

namespace ControlManners {

void install(QWidget *window, QWidget *controls, QComboBox *portList, PortWatcher *watcher)
{
    auto *wheelGuard = new WheelOnlyWithFocus(window);
    for (QComboBox *list : window->findChildren<QComboBox *>()) {
        list->setFocusPolicy(Qt::StrongFocus);
        list->installEventFilter(wheelGuard);
    }
    portList->installEventFilter(new RescanOnOpening(watcher, window));
    auto *focusFrame = new FocusFrameStyle(QStyleFactory::create(window->style()->name()));
    focusFrame->setParent(window);
    for (QPushButton *button : controls->findChildren<QPushButton *>())
        if (button->isFlat())
            button->setStyle(focusFrame);
}

void sizeByWidest(const QList<QComboBox *> &lists, int digits)
{
    for (QComboBox *list : lists) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        // A letter x is a little narrower than a digit: one more keeps the widest number whole.
        list->setMinimumContentsLength(digits + 1);
    }
}

} // namespace ControlManners
