// The description editor with a 1 MB description: loading it, typing at its end, reading it back,
// reformatting all of it and converting positions, also as one line and as one line without
// blanks. Usage: bench_editor [kilobytes] [keys]
#include "editor/CorrectedTextEdit.h"

#include "BenchTimer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr int runs = 5;

// Prose of mixed Cyrillic and Latin words in lines of up to 70 characters, with an empty line
// between paragraphs; with oneLine the whole text is a single paragraph without line breaks.
QString prose(int characters, bool oneLine)
{
    static const QStringList words = {"тема",     "описание", "note", "дерево", "link",  "и",
                                      "reminder", "задача",   "the",  "список", "ветка", "text"};
    QRandomGenerator random(7);
    QString text;
    text.reserve(characters + 80);
    int lineLength = 0;
    while (text.size() < characters) {
        const QString &word = words[random.bounded(int(words.size()))];
        if (!oneLine && lineLength + word.size() > 70) {
            text += random.bounded(8) == 0 ? QStringLiteral("\n\n") : QStringLiteral("\n");
            lineLength = 0;
        } else if (lineLength > 0 || oneLine) {
            text += u' ';
            ++lineLength;
        }
        text += word;
        lineLength += int(word.size());
    }
    return text;
}

void sendKey(QWidget *widget, int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

void measure(const char *title, const QString &text, int keys)
{
    CorrectedTextEdit editor(nullptr, "mainEditBox");
    editor.resize(800, 600);
    editor.show();
    QCoreApplication::processEvents();

    const double load = bestMilliseconds(runs, [&] { editor.setText(text); });
    QCoreApplication::processEvents();
    // Until the window shows the text: loading it and painting the first screen.
    const double shown = bestMilliseconds(
            runs,
            [&] {
                editor.setText(QString());
                QCoreApplication::processEvents();
            },
            [&] {
                editor.setText(text);
                editor.viewport()->repaint();
            });
    std::printf("%s: %lld characters, %d lines\n", title, qlonglong(text.size()),
                editor.document()->blockCount());
    std::printf("  setText                        %9.2f ms (best of %d)\n", load, runs);
    std::printf("  setText and the first paint    %9.2f ms\n", shown);

    // Typing at the end, with the repaint that follows every key.
    editor.moveCursor(QTextCursor::End);
    QElapsedTimer timer;
    timer.start();
    double slowest = 0;
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer one;
        one.start();
        const QChar c = i % 7 == 6 ? QChar(u' ') : QChar(u'a' + i % 26);
        sendKey(&editor, 0, Qt::NoModifier, QString(c));
        QCoreApplication::processEvents();
        slowest = std::max(slowest, double(one.nsecsElapsed()) / 1e6);
    }
    const double typing = double(timer.nsecsElapsed()) / 1e6;
    std::printf("  typing at the end              %9.3f ms per key (%d keys, slowest %.2f ms)\n",
                typing / keys, keys, slowest);

    QString back;
    const double read = bestMilliseconds(runs, [&] { back = editor.text(); });
    std::printf("  text()                         %9.2f ms\n", read);

    // The cursor's line and column read and set near the end: a walk over the blocks of a text
    // holding cut lines.
    editor.moveCursor(QTextCursor::End);
    volatile int sink = 0;
    constexpr int conversions = 1000;
    const double convert = bestMilliseconds(runs, [&] {
        for (int i = 0; i < conversions; ++i) {
            ColumnLine at = editor.cursorLineCol();
            at.column = qMax(0, at.column - 1);
            editor.setCursorLineCol(at);
            sink = sink + at.column;
        }
    });
    std::printf("  cursorLineCol + setCursorLineCol %7.2f us per pair near the end\n",
                convert * 1000 / conversions);

    editor.selectAll();
    timer.restart();
    sendKey(&editor, Qt::Key_BracketLeft, Qt::ControlModifier | Qt::AltModifier, QString());
    QCoreApplication::processEvents();
    std::printf("  reflow of the whole text       %9.2f ms\n", double(timer.nsecsElapsed()) / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int kilobytes = argc > 1 ? std::atoi(argv[1]) : 1024;
    const int keys = argc > 2 ? std::atoi(argv[2]) : 300;
    measure("lines of prose", prose(kilobytes * 1024, false), keys);
    // A key costs about a second here (the toolkit lays the whole paragraph out again), so
    // fewer keys keep the run short.
    measure("one long line", prose(kilobytes * 1024, true), std::max(1, keys / 30));
    // Without a blank the toolkit finds no place to wrap the line (BRW_BENCH_UNBROKEN=kilobytes).
    const int unbroken = qEnvironmentVariableIntValue("BRW_BENCH_UNBROKEN");
    measure("one line without blanks", QString((unbroken > 0 ? unbroken : kilobytes) * 1024, u'x'),
            std::max(1, keys / 30));
    return 0;
}
