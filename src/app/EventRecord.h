#pragma once

#include "common/TextCodec.h"

#include <QString>
#include <QTime>

class QIODevice;

// One key event of an events file: four lines, written as the recorder saw the event.
struct EventRecord
{
    int type = 0; // the toolkit's key press (6) or key release (7)
    int widgetId = 0;
    int key = 0;
    int character = 0; // the text's first character, 0 without text
    int modifiers = 0;
    QString text;
    int autoRepeat = 0;
    int count = 0;
    QTime time;

    // The same key as the other record: everything but the widget and the time.
    bool sameKey(const EventRecord &other) const;
};

// The record's four lines, in the events file's form.
QByteArray formatRecord(const EventRecord &record, TextCodec &codec);

// Reads the records of an events file one after the other. A record that does not parse, or
// that no recorder could have written, is bad; recordLine() then says where it starts.
class EventReader
{
public:
    enum class Result { Record, End, Bad };

    explicit EventReader(QIODevice *file);

    // End at the end of the file or at an empty line.
    Result read(EventRecord &record);
    qint64 recordLine() const { return m_recordLine; }

private:
    bool readLine(QByteArray &line);
    bool readText(QString &text);

    QIODevice *m_file;
    TextCodec m_codec{TextEncoding::Cp1251}; // UTF-8 after the mark at the file's start
    qint64 m_line = 1;                       // the line the next read starts on
    qint64 m_recordLine = 1;
};

// The pause before a record played after one recorded at `previous`: the recorded gap, across
// midnight when the clock passed it, at least 1 ms; the first record (previous 00:00:00.000)
// goes after 1 ms.
int playbackDelay(QTime previous, QTime next);
