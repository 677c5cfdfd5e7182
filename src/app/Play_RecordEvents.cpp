#include "app/Play_RecordEvents.h"

#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Messages.h"
#include "storage/FileReading.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

namespace {

Play_RecordEvents *theRecorder = nullptr;

// The event as a record; a shortcut override is the key press that shortcuts see first.
EventRecord recordOf(const QKeyEvent *key)
{
    EventRecord record;
    record.type = key->type() == QEvent::KeyRelease ? QEvent::KeyRelease : QEvent::KeyPress;
    record.key = key->key();
    record.character = key->text().isEmpty() ? 0 : key->text().at(0).unicode();
    // As the event carries them: QKeyEvent::modifiers() flips the bit of a modifier key itself.
    record.modifiers = int(key->QInputEvent::modifiers().toInt());
    record.text = key->text();
    record.autoRepeat = key->isAutoRepeat() ? 1 : 0;
    record.count = key->count();
    return record;
}

} // namespace

Play_RecordEvents::Play_RecordEvents(QCoreApplication *application)
    : m_application(application)
    , m_playFileName(QStringLiteral("./events.txt"))
    , m_recordFileName(QStringLiteral("./events.txt"))
{
    if (!theRecorder)
        theRecorder = this;
    m_timer.setSingleShot(true);
    CONNECT_ASSERT(
            connect(&m_timer, &QTimer::timeout, this, &Play_RecordEvents::needSendNextEvent));
}

Play_RecordEvents::~Play_RecordEvents()
{
    if (theRecorder == this)
        theRecorder = nullptr;
    m_application->removeEventFilter(this);
}

Play_RecordEvents *Play_RecordEvents::instance()
{
    return theRecorder;
}

void Play_RecordEvents::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT changeState(state);
}

int Play_RecordEvents::startRecord()
{
    if (m_state != Idle)
        return -1;
    // Unbuffered, so that a full disk shows at the key that did not fit.
    // The file holds every key typed: made private when created here, an existing one keeps
    // its mode.
    // A FIFO or a device at the name is refused before it could block.
    const int descriptor =
            FileReading::openRegular(m_recordFileName, O_RDWR | O_APPEND | O_CREAT, 0600);
    if (descriptor < 0 ||
        !m_recordFile.open(descriptor,
                           QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered,
                           QFileDevice::AutoCloseHandle))
        return -2;
    const bool fresh = m_recordFile.size() == 0;
    QByteArray start(utf8Mark.size(), '\0');
    const bool unicode =
            fresh ? m_newFileEncoding == TextEncoding::Utf8
                  : ::pread(descriptor, start.data(), size_t(start.size()), 0) == start.size() &&
                            textFormOf(start) == TextEncoding::Utf8;
    if (fresh && unicode &&
        m_recordFile.write(utf8Mark.data(), utf8Mark.size()) != utf8Mark.size()) {
        m_recordFile.close();
        return -2;
    }
    m_codec = TextCodec(unicode ? TextEncoding::Utf8 : TextEncoding::Cp1251);
    m_overridePress.reset();
    setState(Recording);
    return 0;
}

int Play_RecordEvents::stopRecord()
{
    if (m_state != Recording)
        return -1;
    m_recordFile.close();
    setState(Idle);
    return 0;
}

int Play_RecordEvents::startPlay()
{
    if (m_state != Idle)
        return -1;
    const int descriptor = FileReading::openRegular(m_playFileName, O_RDONLY);
    if (descriptor < 0 ||
        !m_playFile.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return -2;
    m_reader.emplace(&m_playFile);
    m_overridePress.reset();
    setState(Playing);
    readNext(QTime(0, 0));
    return 0;
}

int Play_RecordEvents::stopPlay()
{
    if (m_state != Playing)
        return -1;
    m_timer.stop();
    m_reader.reset();
    m_playFile.close();
    m_next.reset();
    m_inFlight.reset();
    m_sendPending = false;
    setState(Idle);
    return 0;
}

void Play_RecordEvents::readNext(QTime previous)
{
    m_next.reset();
    if (m_state != Playing)
        return;
    EventRecord record;
    const EventReader::Result result = m_reader->read(record);
    if (result == EventReader::Result::End) {
        stopPlay();
        return;
    }
    QObject *target = m_registry.object(record.widgetId);
    if (result == EventReader::Result::Bad || (record.widgetId != 0 && !target)) {
        stopAtBadRecord(m_reader->recordLine());
        return;
    }
    m_next = Pending{record, target, m_reader->recordLine()};
    m_timer.start(playbackDelay(previous, record.time));
}

void Play_RecordEvents::stopAtBadRecord(qint64 line)
{
    const QString name = m_playFileName; // the file opened (names change only while idle)
    stopPlay();
    // Told once the event under way is done.
    const QString text = tr("Playback stopped at a bad record, line %1 of the events file\n"
                            "Воспроизведение остановлено на ошибочной записи, строка %1 "
                            "файла событий\n")
                                 .arg(line) +
                         name;
    QMetaObject::invokeMethod(
            this, [text] { Messages::warning(nullptr, Messages::errorCaption(), text); },
            Qt::QueuedConnection);
}

void Play_RecordEvents::needSendNextEvent()
{
    if (m_inFlight) {
        m_sendPending = true;
        return;
    }
    if (!m_next)
        return;
    const Pending sent = std::move(*m_next);
    m_next.reset();
    // A record of widget 0 (a window without a parent) goes where the keyboard focus is.
    QPointer<QObject> target = sent.target;
    if (sent.record.widgetId == 0)
        target = QApplication::focusWidget() ? QApplication::focusWidget()
                                             : QApplication::activeWindow();
    if (!target) {
        stopAtBadRecord(sent.line);
        return;
    }
    m_inFlight = sent;
    // The next record is timed before this one is delivered: a key that opens a modal dialog
    // returns only when the dialog closes, and the records meant for the dialog must go on.
    readNext(sent.record.time);
    const EventRecord &record = sent.record;
    QKeyEvent event(QEvent::Type(record.type), record.key, Qt::KeyboardModifiers(record.modifiers),
                    record.text, record.autoRepeat != 0, ushort(record.count));
    QCoreApplication::sendEvent(target, &event);
    if (m_inFlight)
        cameBack();
}

void Play_RecordEvents::cameBack()
{
    m_inFlight.reset();
    if (m_sendPending) {
        m_sendPending = false;
        needSendNextEvent();
    }
}

bool Play_RecordEvents::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (QObject *child = static_cast<QChildEvent *>(event)->child(); child->isWidgetType())
            m_registry.add(child);
        break;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (m_state != Idle && watched->isWidgetType())
            return keyEvent(static_cast<QWidget *>(watched), static_cast<QKeyEvent *>(event));
        break;
    default:
        break;
    }
    return false;
}

bool Play_RecordEvents::keyEvent(QWidget *watched, QKeyEvent *key)
{
    if (key == m_lastEvent && key->type() == m_lastType && key->timestamp() == m_lastTimestamp &&
        m_lastReceiver && watched->isAncestorOf(m_lastReceiver)) {
        m_lastReceiver = watched;
        return m_lastVerdict;
    }
    m_lastEvent = key;
    m_lastType = key->type();
    m_lastTimestamp = key->timestamp();
    m_lastReceiver = watched;
    m_lastVerdict = judgeKey(watched, key);
    // The widget takes a held-back key, so that no shortcut runs for it.
    if (m_lastVerdict && key->type() == QEvent::ShortcutOverride)
        key->accept();
    return m_lastVerdict;
}

// True when the key is held back. Only the user's keys are recorded or held back: the
// program's own key events (those played, and those a widget sends itself) are not spontaneous.
bool Play_RecordEvents::judgeKey(QWidget *watched, QKeyEvent *key)
{
    const EventRecord record = recordOf(key);
    if (key->type() == QEvent::KeyPress && m_overridePress && key->spontaneous()) {
        const bool continues = m_overridePress->sameKey(record);
        m_overridePress.reset();
        if (continues)
            return m_overrideVerdict;
    }
    m_overridePress.reset();
    const QKeyCombination combination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key()));
    bool verdict = false;
    if (m_controlKeys.contains(combination))
        verdict = false;
    else if (!key->spontaneous())
        verdict = false;
    else if (m_state == Recording)
        writeRecord(watched, record);
    else
        verdict = holdBack(record);
    if (key->type() == QEvent::ShortcutOverride && key->spontaneous()) {
        m_overridePress = record;
        m_overrideVerdict = verdict;
    }
    return verdict;
}

void Play_RecordEvents::writeRecord(QWidget *watched, const EventRecord &event)
{
    EventRecord record = event;
    record.widgetId = m_registry.id(watched);
    record.time = Clock::time();
    const QByteArray bytes = formatRecord(record, m_codec);
    if (m_recordFile.write(bytes) == bytes.size())
        return;
    // Recording stops: on a full disk every key would fail again, the box's own keys too.
    const QString name = m_recordFileName;
    stopRecord();
    Messages::warning(nullptr, Messages::errorCaption(),
                      tr("Error writing file\nОшибка записи в файл\n") + name);
}

// The record expected next is the one in flight, or else the one read last. A user's key that
// matches it goes through and counts as played; any other key is swallowed.
bool Play_RecordEvents::holdBack(const EventRecord &record)
{
    const Pending *expected = m_inFlight ? &*m_inFlight : m_next ? &*m_next : nullptr;
    if (!expected) {
        stopPlay();
        return true;
    }
    if (expected->record.type != record.type || !expected->record.sameKey(record))
        return true;
    if (m_inFlight) {
        cameBack();
    } else {
        const QTime played = m_next->record.time;
        readNext(played);
    }
    return false;
}
