#pragma once

#include "app/EventRecord.h"
#include "app/objStorage.h"

#include <QFile>
#include <QKeyCombination>
#include <QList>
#include <QTimer>

#include <optional>

class QCoreApplication;
class QKeyEvent;

// Records the keyboard input of the whole program into an events file and plays such a file
// back: installed as an event filter on the application, it sees every key of every window.
// Widgets are named by the ids of the registry, so a recording replays against a freshly
// started program that builds the same widgets in the same order. While playing, the user's
// own keys are held back, except a key that matches the record expected next.
class Play_RecordEvents : public QObject
{
    Q_OBJECT
public:
    enum State { Idle, Recording, Playing };

    explicit Play_RecordEvents(QCoreApplication *application);
    ~Play_RecordEvents() override;

    // The recorder of the process: the first one constructed, while it lives.
    static Play_RecordEvents *instance();

    // -1 in the wrong state, -2 when the file cannot be opened, 0 when started or stopped.
    int startRecord();
    int stopRecord();
    int startPlay();
    int stopPlay();

    int state() const { return m_state; }
    QString playFileName() const { return m_playFileName; }
    void setPlayFileName(const QString &name) { m_playFileName = name; }
    QString recordFileName() const { return m_recordFileName; }
    void setRecordFileName(const QString &name) { m_recordFileName = name; }
    // The form of an events file that a recording starts afresh (UTF-8 begins with the mark);
    // a recording appended to a file keeps the file's form.
    void setNewFileEncoding(TextEncoding encoding) { m_newFileEncoding = encoding; }

    // The keys that start and stop the recorder: never recorded and never held back.
    void setControlKeys(const QList<QKeyCombination> &keys) { m_controlKeys = keys; }

    const objStorage &registry() const { return m_registry; }
    // The pause before the record read last is played.
    int nextDelay() const { return m_timer.interval(); }

Q_SIGNALS:
    void changeState(int state);

public Q_SLOTS:
    void needSendNextEvent();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Pending
    {
        EventRecord record;
        QPointer<QObject> target; // null: the widget with the keyboard focus (id 0)
        qint64 line = 0;          // where the record starts in the file
    };

    void setState(int state);
    bool keyEvent(QWidget *watched, QKeyEvent *key);
    bool judgeKey(QWidget *watched, QKeyEvent *key);
    void writeRecord(QWidget *watched, const EventRecord &record);
    bool holdBack(const EventRecord &record);
    void cameBack();
    void readNext(QTime previous);
    void stopAtBadRecord(qint64 line);

    QCoreApplication *m_application;
    objStorage m_registry;
    int m_state = Idle;
    QFile m_playFile;
    QFile m_recordFile;
    QString m_playFileName;
    QString m_recordFileName;
    TextCodec m_codec{TextEncoding::Cp1251};
    TextEncoding m_newFileEncoding = TextEncoding::Cp1251;
    std::optional<EventReader> m_reader;
    std::optional<Pending> m_next;
    std::optional<Pending> m_inFlight;
    bool m_sendPending = false;
    QTimer m_timer;
    QList<QKeyCombination> m_controlKeys;

    // One key event climbs from the widget it was meant for to its parents: only its first
    // delivery counts, and the others get the same answer.
    const QEvent *m_lastEvent = nullptr;
    int m_lastType = 0;
    quint64 m_lastTimestamp = 0;
    QPointer<QWidget> m_lastReceiver;
    bool m_lastVerdict = false;
    // A key press that shortcuts see first (as the shortcut override) is judged there; the key
    // press that follows it, when no shortcut took the key, gets the same answer.
    std::optional<EventRecord> m_overridePress;
    bool m_overrideVerdict = false;
};
