#pragma once

#include <QString>

#include <functional>
#include <vector>

class QWidget;

// The one road to a message box. Widgets never call QMessageBox themselves: tests and the
// command-line mode install a responder that records what would be shown and answers for the user.
// This part needs Qt Core alone; the real box is the widget library's (common/ToolkitSeams.h),
// which the application installs. Until then a box is written to standard error in its log form and
// takes its default answer.
namespace Messages {

enum class Answer { Ok, Cancel, Yes, No, Closed };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { Warning, Critical, Information };

struct Box
{
    QWidget *parent = nullptr;
    QString caption;
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Warning;
};

using Responder = std::function<Answer(const Box &)>;

// Shows the box (or hands it to the installed responder) and returns the user's answer.
Answer show(const Box &box);
Answer warning(QWidget *parent, const QString &caption, const QString &text,
               Buttons buttons = Buttons::Ok);
Answer critical(QWidget *parent, const QString &caption, const QString &text,
                Buttons buttons = Buttons::Ok);

// Installs a responder in place of real boxes; an empty one restores the real boxes.
void setResponder(Responder responder);
// What answers when no responder is installed, in place of a real box: tests fail there, since
// nobody would ever answer. Both kinds count for hasResponder().
void setUnansweredResponder(Responder responder);
bool hasResponder();
// What shows a box when no responder answers it: the toolkit's message box, once installed.
void setRealBoxes(Responder shower);

// Runs `work` with its OK boxes held back and returns them, to be shown later in their order.
std::vector<Box> holdBoxes(const std::function<void()> &work);
void showAll(const std::vector<Box> &boxes);

// The answer a box gives when the user just presses Enter: its default button.
Answer defaultAnswer(Buttons buttons);

// "!!!" + caption + "!!!" + "\n" + text + "\n": how a report reads inside a text log.
QString logForm(const QString &caption, const QString &text);

// Appends the report to the log when there is one, otherwise shows it as a warning box.
void report(QString *log, QWidget *parent, const QString &caption, const QString &text);

// Captions shared by the whole program.
QString warningCaption(); // "Warning (Предупреждение)"
QString errorCaption();   // "Error (Ошибка)"
QString messageCaption(); // "Message (Сообщение)"

} // namespace Messages
