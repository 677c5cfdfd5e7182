#pragma once

#include <QString>

// `brw --check-reminder FILE`: the reminder's task text of a document checked without a window.
namespace CheckReminder {

enum Status { Clean = 0, Errors = 1, Unreadable = 2 };

struct Result
{
    Status status = Clean;
    QString log; // the "Reminder errors" box's text, one line per entry
};

// Reads the document as a window opens it and parses its "__reminder" theme and subthemes as of
// the file's last change, as the window does then. Boxes of the reading go to the messages
// seam. Needs no more than the core application object.
Result check(const QString &document);

// The command: the log on standard output, every other box on standard error; the status.
int run(int &argc, char **argv, const QString &document);

} // namespace CheckReminder
