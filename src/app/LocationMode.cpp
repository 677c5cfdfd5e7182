// The location mode: the keys move and size a window of the program instead of editing.
#include "app/LocationMode.h"

#include "app/Brambleweb.h"
#include "app/WindowKeys.h"
#include "common/Messages.h"
#include "tree/ReminderDialog.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

#include <algorithm>

namespace {

bool isMouseClick(QEvent::Type type)
{
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick;
}

} // namespace

LocationMode::LocationMode(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("locationMode"));
}

bool LocationMode::filter(QEvent *event)
{
    if (!m_on)
        return false;
    if (isMouseClick(event->type())) {
        menuLocation();
    } else if (event->type() == QEvent::KeyPress) {
        handleKey(static_cast<QKeyEvent *>(event));
        return true;
    }
    return false;
}

// Ends the mode at a mouse press anywhere in the program (a header, a tool bar, the menu bar,
// another window).
bool LocationMode::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && m_on)
        menuLocation();
    return false;
}

void LocationMode::menuLocation()
{
    if (m_on) {
        m_on = false;
        m_target = nullptr;
        qApp->removeEventFilter(this);
        emit switched(false);
        return;
    }
    QWidget *active = QApplication::activeWindow();
    if (!active || !(qobject_cast<Brambleweb *>(active) || qobject_cast<QDialog *>(active) ||
                     qobject_cast<ReminderDialog *>(active)))
        return;
    m_target = active;
    m_on = true;
    qApp->installEventFilter(this);
    emit switched(true);
}

void LocationMode::handleKey(QKeyEvent *key)
{
    using namespace WindowKeys;
    const KeyBinding *binding = KeyTable::find(location(), key);
    int command = binding ? binding->command : LocationIgnored;
    if (command == LocationEnd) {
        menuLocation();
        return;
    }
    QWidget *target = m_target;
    if (!target)
        return;
    if (command == LocationDisabled) {
        if (QApplication::activeWindow() == &m_window) {
            Messages::warning(&m_window, Messages::warningCaption(),
                              tr("This function is disabled\nФункция отключена"));
            return;
        }
        command = key->key() == Qt::Key_Left ? LocationLeft : LocationRight;
    }
    // What each key does to the window's size and place.
    struct Step
    {
        int command;
        QSize size;
        QPoint move;
    };
    static constexpr Step steps[] = {
            {LocationGrow, {16, 12}, {}},     {LocationShrink, {-16, -12}, {}},
            {LocationNarrower, {-16, 0}, {}}, {LocationWider, {16, 0}, {}},
            {LocationShorter, {0, -12}, {}},  {LocationTaller, {0, 12}, {}},
            {LocationLeft, {}, {-16, 0}},     {LocationRight, {}, {16, 0}},
            {LocationUp, {}, {0, -12}},       {LocationDown, {}, {0, 12}},
    };
    const auto step = std::find_if(std::begin(steps), std::end(steps),
                                   [command](const Step &s) { return s.command == command; });
    if (step == std::end(steps))
        return;
    const QSize size = target->size() + step->size;
    const QPoint position = target->pos() + step->move;
    if (size != target->size())
        target->resize(size);
    if (position != target->pos())
        target->move(position);
}
