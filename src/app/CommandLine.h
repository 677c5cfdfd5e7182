#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Everything that is not an option is a tree file to open;
// "--" ends the options.
struct CommandLine
{
    enum class Action { Open, Export, Import, ShowJournal, CheckReminder, Help, Version, Error };
    Action action = Action::Open;
    QStringList files;
    QString format;
    QString input;
    QString output;
    QString error;
    QString encoding; // of the export's output: "utf-8", "cp1251" or empty (the input's)
};

CommandLine parseCommandLine(int argc, char **argv);
// Prints help, version or a usage error; returns the exit status.
int printCommandLineAnswer(const CommandLine &command);
// Reads the input tree and writes it again in the format, without a window. Every message that
// would be a box goes to standard error; the status is 0 only when nothing was reported.
int runExport(int &argc, char **argv, const CommandLine &command);
// Reads an outline of another program (OPML, Markdown, indented text) and writes it as a tree
// file, in Unicode form only when some character lies outside CP1251.
int runImport(int &argc, char **argv, const CommandLine &command);
