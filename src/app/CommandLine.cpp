#include "app/CommandLine.h"

#include "app/OutlinePrint.h"
#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/HtmlTable.h"
#include "storage/OutlineAdapter.h"
#include "storage/OutlineFiles.h"
#include "storage/SafeFile.h"
#include "storage/TreeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

const char *const usage =
        "Usage: brw [FILE...]\n"
        "       brw --export FORMAT INPUT OUTPUT [--encoding utf-8|cp1251]\n"
        "       brw --import FORMAT INPUT OUTPUT.brw\n"
        "       brw --check-reminder FILE\n"
        "       brw --help | --version\n"
        "\n"
        "Opens one window per tree file (.brw), the last one first, or one empty window.\n"
        "\n"
        "  --export FORMAT INPUT OUTPUT  read INPUT and write it to OUTPUT without a window;\n"
        "                                FORMAT is brw (the ordinary tree file), structure\n"
        "                                (header lines only), html (one page), mime (a MIME\n"
        "                                text, one part per theme) or table (an HTML table of\n"
        "                                the whole tree); or, for other programs, opml,\n"
        "                                markdown, text (indented by tabs) or pdf.\n"
        "                                Messages go to standard error; the exit status\n"
        "                                is 0 only when none was reported.\n"
        "  --import FORMAT INPUT OUTPUT  read an opml, markdown or text (indented) file and\n"
        "                                write it as a tree file (Unicode only when some\n"
        "                                character lies outside CP1251).\n"
        "  --encoding utf-8|cp1251       write the export in Unicode (UTF-8, a tree file\n"
        "                                begins with its byte order mark) or in CP1251;\n"
        "                                without it the output keeps the input's form.\n"
        "                                Characters CP1251 lacks become 0x1A and their\n"
        "                                count goes to standard error (exit status 0).\n"
        "  --check-reminder FILE         print the errors of the reminder's task text (the\n"
        "                                theme \"__reminder\" and its subthemes) one a line,\n"
        "                                as the window shows them on opening FILE; the exit\n"
        "                                status is 0 without errors, 1 with errors and 2\n"
        "                                when FILE cannot be read. No window is needed.\n"
        "  --help                        show this text\n"
        "  --version                     show the version\n"
        "  --                            end of options: what follows are file names\n";

void printError(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
}

// The writer flags of each format; the table has a writer of its own.
struct ExportFormat
{
    const char *name;
    int flags;
};
constexpr ExportFormat exportFormats[] = {{"brw", 0},
                                          {"structure", SAVE_STRUCTURE},
                                          {"html", SAVE_HTML},
                                          {"mime", SAVE_PALM},
                                          {"table", -1}};

const ExportFormat *exportFormat(const QString &name)
{
    for (const ExportFormat &format : exportFormats)
        if (name == QLatin1String(format.name))
            return &format;
    return nullptr;
}

// The bytes of an argument that cannot be a name to the file system, as \xHH; empty when
// it can: the program would otherwise read or write a file of another name.
QString unusableName(const QByteArray &argument)
{
    if (QFile::encodeName(QFile::decodeName(argument)) == argument)
        return QString();
    QString shown;
    for (const char byte : argument)
        shown += byte > 0x20 && byte < 0x7f ? QString(QLatin1Char(byte))
                                            : QString::asprintf("\\x%02X", uchar(byte));
    return shown;
}

} // namespace

CommandLine parseCommandLine(int argc, char **argv)
{
    CommandLine command;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (const QString shown = unusableName(argv[i]); !shown.isEmpty()) {
            command.action = CommandLine::Action::Error;
            command.error = QStringLiteral("a name that is not valid in the system's encoding "
                                           "cannot be used: ") +
                            shown;
            return command;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            command.files.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--help")) {
            command.action = CommandLine::Action::Help;
            return command;
        } else if (argument == QLatin1String("--version")) {
            command.action = CommandLine::Action::Version;
            return command;
        } else if (argument == QLatin1String("--show-journal") && i + 1 < argc) {
            // The emergency journal of a crashed copy of the program (never typed by hand).
            command.action = CommandLine::Action::ShowJournal;
            command.input = QString::fromLocal8Bit(argv[++i]);
            return command;
        } else if (argument == QLatin1String("--check-reminder")) {
            if (i + 1 >= argc) {
                command.action = CommandLine::Action::Error;
                command.error = QStringLiteral("--check-reminder needs FILE");
                return command;
            }
            command.action = CommandLine::Action::CheckReminder;
            command.input = QString::fromLocal8Bit(argv[++i]);
        } else if (argument == QLatin1String("--export") || argument == QLatin1String("--import")) {
            const bool exporting = argument == QLatin1String("--export");
            if (i + 3 >= argc) {
                command.action = CommandLine::Action::Error;
                command.error = argument + QStringLiteral(" needs FORMAT INPUT OUTPUT");
                return command;
            }
            command.action = exporting ? CommandLine::Action::Export : CommandLine::Action::Import;
            command.format = QString::fromLocal8Bit(argv[++i]);
            command.input = QString::fromLocal8Bit(argv[++i]);
            command.output = QString::fromLocal8Bit(argv[++i]);
            const auto outline = OutlineFiles::formatNamed(command.format);
            if (exporting ? !exportFormat(command.format) && !outline
                          : !outline || !OutlineFiles::canImport(*outline)) {
                command.action = CommandLine::Action::Error;
                command.error = (exporting ? QStringLiteral("unknown export format: ")
                                           : QStringLiteral("unknown import format: ")) +
                                command.format;
                return command;
            }
        } else if (argument == QLatin1String("--encoding") && i + 1 < argc) {
            command.encoding = QString::fromLocal8Bit(argv[++i]);
            if (command.encoding != QLatin1String("utf-8") &&
                command.encoding != QLatin1String("cp1251")) {
                command.action = CommandLine::Action::Error;
                command.error = QStringLiteral("unknown encoding: ") + command.encoding;
                return command;
            }
        } else {
            command.action = CommandLine::Action::Error;
            command.error = QStringLiteral("unknown option: ") + argument;
            return command;
        }
    }
    if ((command.action == CommandLine::Action::Export ||
         command.action == CommandLine::Action::Import) &&
        !command.files.isEmpty()) {
        command.action = CommandLine::Action::Error;
        command.error = QStringLiteral("--export and --import take no further files");
    } else if (command.action == CommandLine::Action::CheckReminder && !command.files.isEmpty()) {
        command.action = CommandLine::Action::Error;
        command.error = QStringLiteral("--check-reminder takes one file");
    } else if (command.action != CommandLine::Action::Export && !command.encoding.isEmpty()) {
        command.action = CommandLine::Action::Error;
        command.error = QStringLiteral("--encoding needs --export");
    }
    return command;
}

int printCommandLineAnswer(const CommandLine &command)
{
    switch (command.action) {
    case CommandLine::Action::Help:
        std::fputs(usage, stdout);
        return 0;
    case CommandLine::Action::Version:
        std::fputs("brw " BRW_VERSION "\n", stdout);
        return 0;
    default:
        printError(QStringLiteral("brw: ") + command.error + QStringLiteral("\n\n"));
        std::fputs(usage, stderr);
        return 2;
    }
}

namespace {

// What an export and an import share: an application without a window whose boxes go to
// standard error, counted in `reported`. Only a PDF needs the toolkit's fonts, and with them its
// Gui part, on the offscreen platform so that no display is needed; everything else runs on the
// core alone. False when the program cannot run at all.
bool startWithoutWindow(int &argc, char **argv, bool needsFonts,
                        std::unique_ptr<QCoreApplication> &application, int &reported)
{
    // Standard error carries the program's reports; the toolkit's own chatter about the
    // headless platform would only hide them.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            printError(text + QLatin1Char('\n'));
    });
    if (needsFonts) {
        // Whatever platform the session names: a display is never needed for a file.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    Clock::startDate();
    if (!cp1251Available()) {
        printError(cp1251UnavailableMessage() + QLatin1Char('\n'));
        return false;
    }
    Messages::setResponder([&reported](const Messages::Box &box) {
        ++reported;
        printError(Messages::logForm(box.caption, box.text));
        return Messages::defaultAnswer(box.buttons);
    });
    return true;
}

// Says why the output was not written; the exit status.
int outputFailed(SafeFile::Result result, const QString &output)
{
    printError((result == SafeFile::Result::CannotOpen
                        ? QStringLiteral("brw: cannot open for writing: ")
                        : QStringLiteral("brw: the output was not written: ")) +
               output + QLatin1Char('\n'));
    return 1;
}

} // namespace

int runExport(int &argc, char **argv, const CommandLine &command)
{
    const std::optional<OutlineFiles::Format> outline = OutlineFiles::formatNamed(command.format);
    std::unique_ptr<QCoreApplication> application;
    int reported = 0;
    if (!startWithoutWindow(argc, argv, outline == OutlineFiles::Format::Pdf, application,
                            reported))
        return 1;
    ThemeDocument document;
    if (!readTreeFile(command.input, document, nullptr))
        return 1;
    if (outline) {
        const OutlineNode root =
                OutlineAdapter::wholeOf(document, QFileInfo(command.input).completeBaseName());
        const SafeFile::Result result = OutlineFiles::write(*outline, root, command.output,
                                                            command.input, OutlinePrint::writePdf);
        if (result != SafeFile::Result::Saved)
            return outputFailed(result, command.output);
        return reported == 0 ? 0 : 1;
    }
    if (!command.encoding.isEmpty())
        document.setTextEncoding(command.encoding == QLatin1String("utf-8") ? TextEncoding::Utf8
                                                                            : TextEncoding::Cp1251);
    const int flags = exportFormat(command.format)->flags;
    SaveReport report;
    const SafeFile::Result result = SafeFile::save(
            command.output,
            [&document, flags, &report](QFileDevice &output) {
                Theme *root = document.root();
                return (flags < 0 ? HtmlTable::write(document, root, &output, nullptr, &report)
                                  : writeTree(document, root, &output, flags, {}, nullptr, nullptr,
                                              &report)) > 0;
            },
            QString(), command.input);
    if (result != SafeFile::Result::Saved)
        return outputFailed(result, command.output);
    // Not an error: converting to CP1251 replaces what the code page lacks, and says how much.
    if (report.replaced > 0)
        printError(QStringLiteral("brw: %1 character(s) written as 0x1A\n").arg(report.replaced));
    return reported == 0 ? 0 : 1;
}

int runImport(int &argc, char **argv, const CommandLine &command)
{
    std::unique_ptr<QCoreApplication> application;
    int reported = 0;
    if (!startWithoutWindow(argc, argv, false, application, reported))
        return 1;
    const std::optional<OutlineNode> root =
            OutlineFiles::read(*OutlineFiles::formatNamed(command.format), command.input, nullptr);
    if (!root)
        return 1;
    const QByteArray bytes = OutlineTreeFile::write(*root);
    const SafeFile::Result result = SafeFile::save(
            command.output,
            [&bytes](QFileDevice &output) { return output.write(bytes) == bytes.size(); },
            QString(), command.input);
    if (result != SafeFile::Result::Saved)
        return outputFailed(result, command.output);
    return reported == 0 ? 0 : 1;
}
