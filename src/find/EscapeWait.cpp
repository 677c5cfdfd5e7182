#include "find/EscapeWait.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

namespace {

// How often the wait looks whether the work is done.
constexpr int pollMilliseconds = 5;

// Turns away the user's input while it is installed; Escape ends the loop.
class InputGuard : public QObject
{
public:
    explicit InputGuard(QEventLoop &loop)
        : m_loop(loop)
    {
        qApp->installEventFilter(this);
    }
    ~InputGuard() override { qApp->removeEventFilter(this); }
    bool escaped() const { return m_escaped; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
                m_escaped = true;
                m_loop.quit();
            }
            return true;
        case QEvent::ShortcutOverride:
            // Taken as the widget's own key, so that no shortcut runs a command meanwhile.
            event->accept();
            return true;
        case QEvent::Close:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            event->ignore();
            return true;
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
        }
    }

private:
    QEventLoop &m_loop;
    bool m_escaped = false;
};

} // namespace

namespace EscapeWait {

bool until(const std::function<bool()> &done)
{
    QEventLoop loop;
    InputGuard guard(loop);
    QTimer poll;
    poll.setInterval(pollMilliseconds);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // Events posted before the wait (an Escape among them) come before the first look.
    QCoreApplication::sendPostedEvents();
    if (!guard.escaped())
        loop.exec();
    QApplication::restoreOverrideCursor();
    return !guard.escaped();
}

} // namespace EscapeWait
