#pragma once

#include <QObject>
#include <QPointer>

class Brambleweb;
class QKeyEvent;
class QWidget;

// The window's location mode: while it is on, the keys move and size the window that was active
// when it began, and a mouse press anywhere in the program ends it.
class LocationMode : public QObject
{
    Q_OBJECT
public:
    explicit LocationMode(Brambleweb &window);

    bool isOn() const { return m_on; }
    // An event the window's filter saw while the mode is on; true when it is swallowed.
    bool filter(QEvent *event);

public Q_SLOTS:
    void menuLocation();

Q_SIGNALS:
    void switched(bool on);

protected:
    // Watches the whole program for a mouse press while the mode is on.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void handleKey(QKeyEvent *key);

    Brambleweb &m_window;
    bool m_on = false;
    QPointer<QWidget> m_target;
};
