#include "cli/clicommands.h"

#include "cli/clisupport.h"

#include "cli/projectinfo.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/coveragepage.h"
#include "io/coveragesettings.h"
#include "io/detectortable.h"
#include "io/fileproblem.h"
#include "io/pdfexport.h"
#include "io/projectdocument.h"
#include "io/sceneimage.h"
#include "plan/pdfplan.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPageSize>
#include <QPrinter>
#include <QTextCodec>
#include <QVector>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Cli {

QByteArray line(const QString &text)
{
    return QString::fromLatin1(kProgram).toUtf8() + ": " + text.toUtf8() + '\n';
}

QString aboutFile(const QString &path, const QString &text)
{
    return path + QStringLiteral(": ") + text;
}

int usageError(Output &output, const QString &problem)
{
    output.err += line(problem);
    output.err += usage();
    return BadUsage;
}

// Whether path names the same file as existing (through links too).
bool isSameFile(const QString &existing, const QString &path)
{
    const QFileInfo target(path);
    if (!target.exists())
        return false;
#ifdef Q_OS_UNIX
    struct stat a;
    struct stat b;
    if (::stat(QFile::encodeName(existing).constData(), &a) == 0
        && ::stat(QFile::encodeName(path).constData(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#endif
    return QFileInfo(existing).canonicalFilePath() == target.canonicalFilePath();
}

QPageSize pageSize(const QString &paper)
{
    if (paper == QLatin1String("A3"))
        return QPageSize(QPageSize::A3);
    if (paper == QLatin1String("A2"))
        return QPageSize(QPageSize::A2);
    if (paper == QLatin1String("A1"))
        return QPageSize(QPageSize::A1);
    return QPageSize(QPageSize::A4);
}

namespace {

    // A command taking one or more files.
    constexpr int kSomeFiles = -1;

    struct CommandForm
    {
        const char *name;
        int fileCount; // or kSomeFiles
        const char *files; // for the usage error
        QStringList options;
    };

    const QVector<CommandForm> &commands()
    {
        static const QVector<CommandForm> list = {
            { "info", 1, "PROJECT.prj", { QStringLiteral("--json") } },
            { "export-csv", 2, "PROJECT.prj OUT.csv", { QStringLiteral("--encoding") } },
            { "export-pdf", 2, "PROJECT.prj OUT.pdf",
                { QStringLiteral("--paper"), QStringLiteral("--landscape"),
                    QStringLiteral("--portrait"), QStringLiteral("--coverage") } },
            { "export-report", 2, "PROJECT.prj OUT.pdf", { QStringLiteral("--paper") } },
            { "export-image", 2, "PROJECT.prj OUT.png|OUT.jpg|OUT.bmp",
                { QStringLiteral("--coverage") } },
            { "resave", 2, "PROJECT.prj OUT.prj", {} },
            { "new", 1, "OUT.prj --plan PLAN",
                { QStringLiteral("--plan"), QStringLiteral("--page"), QStringLiteral("--dpi"),
                    QStringLiteral("--drawing-scale") } },
            { "check", kSomeFiles, "one or more PROJECT.prj",
                { QStringLiteral("--min"), QStringLiteral("--min2") } },
        };
        return list;
    }

    // The value of a numeric option of new; false with *problem set when it is
    // not a number in range.
    bool numberOption(const QString &name, const QString &value, Invocation &call, QString *problem)
    {
        bool ok = false;
        if (name == QLatin1String("--drawing-scale")) {
            call.drawingScale = value.toDouble(&ok);
            if (!ok || !(call.drawingScale > 0) || !qIsFinite(call.drawingScale)) {
                *problem = QStringLiteral("--drawing-scale needs a positive number, "
                                          "e.g. 100 for 1:100");
                return false;
            }
            return true;
        }
        const int number = value.toInt(&ok);
        const bool isPage = name == QLatin1String("--page");
        const int maximum = isPage ? std::numeric_limits<int>::max() : 10000;
        if (!ok || number < 1 || number > maximum) {
            *problem = isPage ? QStringLiteral("--page needs a page number from 1")
                              : QStringLiteral("--dpi needs a resolution from 1 to 10000");
            return false;
        }
        (isPage ? call.page : call.dpi) = number;
        return true;
    }

    // A target in percent: a number from 0 to 100, a "%" after it allowed.
    std::optional<double> percentage(QString text)
    {
        if (text.endsWith(QLatin1Char('%')))
            text.chop(1);
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0 || value > 100)
            return std::nullopt;
        return value;
    }

    bool parse(const QStringList &arguments, Invocation &call, QString *problem)
    {
        call.command = arguments.first();
        const CommandForm *form = nullptr;
        for (const CommandForm &candidate : commands()) {
            if (call.command == QLatin1String(candidate.name))
                form = &candidate;
        }
        if (!form) {
            *problem = QStringLiteral("unknown command \"%1\"").arg(call.command);
            return false;
        }

        bool optionsEnded = false;
        for (int i = 1; i < arguments.size(); ++i) {
            const QString &argument = arguments.at(i);
            if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
                call.files << argument;
                continue;
            }
            if (argument == QLatin1String("--")) {
                optionsEnded = true;
                continue;
            }
            QString name = argument;
            QString value;
            bool hasValue = false;
            const int equals = argument.indexOf(QLatin1Char('='));
            if (equals > 0) {
                name = argument.left(equals);
                value = argument.mid(equals + 1);
                hasValue = true;
            }
            if (!form->options.contains(name)) {
                *problem = QStringLiteral("%1 has no option %2").arg(call.command, name);
                return false;
            }
            const bool takesValue = name == QLatin1String("--paper")
                || name == QLatin1String("--min") || name == QLatin1String("--min2");
            if (takesValue && !hasValue) {
                if (i + 1 >= arguments.size()) {
                    *problem = name == QLatin1String("--paper")
                        ? QStringLiteral("--paper needs A4, A3, A2 or A1")
                        : QStringLiteral("%1 needs a percentage from 0 to 100").arg(name);
                    return false;
                }
                value = arguments.at(++i);
            }
            if (name == QLatin1String("--min") || name == QLatin1String("--min2")) {
                const bool none = name == QLatin1String("--min2") && value == QLatin1String("none");
                const std::optional<double> target = percentage(value);
                if (!target && !none) {
                    *problem = QStringLiteral("%1 needs a percentage from 0 to 100, not \"%2\"")
                                   .arg(name, value);
                    return false;
                }
                if (name == QLatin1String("--min")) {
                    call.min1 = target;
                } else {
                    call.min2Given = true;
                    call.min2 = target;
                }
                continue;
            }
            if (name == QLatin1String("--paper")) {
                const QString paper = value.toUpper();
                if (paper != QLatin1String("A4") && paper != QLatin1String("A3")
                    && paper != QLatin1String("A2") && paper != QLatin1String("A1")) {
                    *problem
                        = QStringLiteral("unknown paper \"%1\": use A4, A3, A2 or A1").arg(value);
                    return false;
                }
                call.paper = paper;
                continue;
            }
            if (name == QLatin1String("--plan") || name == QLatin1String("--page")
                || name == QLatin1String("--dpi") || name == QLatin1String("--drawing-scale")) {
                if (!hasValue) {
                    if (i + 1 >= arguments.size()) {
                        *problem = QStringLiteral("%1 needs a value").arg(name);
                        return false;
                    }
                    value = arguments.at(++i);
                }
                if (name == QLatin1String("--plan"))
                    call.plan = value;
                else if (!numberOption(name, value, call, problem))
                    return false;
                continue;
            }
            if (name == QLatin1String("--encoding")) {
                if (!hasValue) {
                    if (i + 1 >= arguments.size()) {
                        *problem = QStringLiteral("--encoding needs cp1251 or utf-8");
                        return false;
                    }
                    value = arguments.at(++i);
                }
                const QString encoding = value.toLower();
                if (encoding == QLatin1String("cp1251")
                    || encoding == QLatin1String("windows-1251"))
                    call.encoding = QTextCodec::codecForName("windows-1251");
                else if (encoding == QLatin1String("utf-8") || encoding == QLatin1String("utf8"))
                    call.encoding = QTextCodec::codecForName("UTF-8");
                if (!call.encoding) {
                    *problem
                        = QStringLiteral("unknown encoding \"%1\": use cp1251 or utf-8").arg(value);
                    return false;
                }
                continue;
            }
            if (hasValue) {
                *problem = QStringLiteral("%1 takes no value").arg(name);
                return false;
            }
            if (name == QLatin1String("--json"))
                call.json = true;
            else if (name == QLatin1String("--landscape"))
                call.landscape = true;
            else if (name == QLatin1String("--portrait"))
                call.landscape = false;
            else if (name == QLatin1String("--coverage"))
                call.coverage = true;
        }
        if (form->fileCount == kSomeFiles ? call.files.isEmpty()
                                          : call.files.size() != form->fileCount) {
            *problem
                = QStringLiteral("%1 needs %2").arg(call.command, QString::fromLatin1(form->files));
            return false;
        }
        return true;
    }

    QString count(int n, const char *one, const char *many)
    {
        return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
    }

    // What the loader had to leave out, as one line; empty when nothing.
    QString losses(const ProjectLoadResult &result)
    {
        QStringList parts;
        if (result.imageTooLarge)
            parts << QStringLiteral("the plan image is too large to load; it is kept unchanged "
                                    "but not shown");
        else if (result.imageUnreadable)
            parts << QStringLiteral("the plan image cannot be decoded; it is kept unchanged "
                                    "but not shown");
        if (result.outlineRejected)
            parts << QStringLiteral("the outline is unreadable and left out");
        if (result.obstaclesRejected > 0)
            parts << count(result.obstaclesRejected, "unreadable obstacle entry",
                         "unreadable obstacle entries")
                    + QStringLiteral(" left out");
        if (result.detectorsRejected > 0)
            parts << count(result.detectorsRejected, "unreadable detector entry",
                         "unreadable detector entries")
                    + QStringLiteral(" left out");
        if (result.obstaclesOverLimit > 0)
            parts << count(result.obstaclesOverLimit, "obstacle", "obstacles")
                    + QStringLiteral(" beyond the limit left out");
        if (result.detectorsOverLimit > 0)
            parts << count(result.detectorsOverLimit, "detector", "detectors")
                    + QStringLiteral(" beyond the limit left out");
        return parts.join(QStringLiteral("; "));
    }

    // Why a file cannot be read, in the tool's words.
    QString readProblemText(const QString &path)
    {
        switch (readProblem(path)) {
        case FileProblem::Missing:
            return QStringLiteral("no such file");
        case FileProblem::FolderNotReadable:
            return QStringLiteral("cannot be reached: a folder on its way may not be read");
        case FileProblem::LinkLoop:
            return QStringLiteral("cannot be reached: its symbolic links form a loop");
        case FileProblem::NameTooLong:
            return QStringLiteral("cannot be reached: the name is too long");
        case FileProblem::IsFolder:
            return QStringLiteral("is a folder, not a project file");
        case FileProblem::NotReadable:
            return QStringLiteral("cannot be read: permission denied");
        case FileProblem::None:
            break;
        }
        return QStringLiteral("cannot be read");
    }

    // Loads the project named first in the call; on failure says why.
    bool loadInput(const QString &path, ProjectDocument &project, Output &output, int *status)
    {
        const QFileInfo info(path);
        if (!info.exists()) {
            output.err += line(aboutFile(path, readProblemText(path)));
            *status = FileError;
            return false;
        }
        if (info.isDir()) {
            output.err += line(aboutFile(path, QStringLiteral("is a folder, not a project file")));
            *status = FileError;
            return false;
        }
        const ProjectLoadResult result = project.load(path);
        // The scene as the window's whole-plan view shows it, with rays and
        // labels as the window starts.
        project.updateSceneRect();
        switch (result.status) {
        case ProjectLoadResult::CannotOpen:
            output.err += line(aboutFile(path,
                result.fileTooLarge ? QStringLiteral("too large for a project file; not read")
                                    : readProblemText(path)));
            *status = FileError;
            return false;
        case ProjectLoadResult::WrongFormat:
            output.err += line(aboutFile(path, QStringLiteral("Неверный формат файла проекта")));
            *status = NotAProject;
            return false;
        case ProjectLoadResult::Loaded:
            break;
        }
        const QString lost = losses(result);
        if (!lost.isEmpty())
            output.err += line(aboutFile(path, QStringLiteral("warning: ") + lost));
        return true;
    }

    QVector<DetectorTableRow> tableRows(const QList<SensorGraphicsItem2 *> &sensors)
    {
        QVector<DetectorTableRow> rows;
        rows.reserve(sensors.size());
        for (const SensorGraphicsItem2 *detector : sensors)
            rows.append(detectorTableRow(detector->record()));
        return rows;
    }

    // Whether the output shows the coverage map: when asked for and the plan
    // has an outline; asked for without one, a warning says the map is left out.
    bool coverageMapWanted(const Invocation &call, const ProjectDocument &project, Output &output)
    {
        if (!call.coverage)
            return false;
        if (project.plan().hasPath())
            return true;
        output.err += line(aboutFile(call.files.at(0),
            QStringLiteral("warning: no outline, so no coverage map; written without it")));
        return false;
    }

    // Runs one output command on the loaded project; false when the output could
    // not be written (*why says more when it can). Every output goes through
    // SaveFile, which leaves an existing file as it was on failure.
    bool writeOutput(const Invocation &call, ProjectDocument &project, QString *why, Output &output)
    {
        const QString &out = call.files.at(1);
        if (call.command == QLatin1String("export-csv"))
            return writeDetectorTableFile(out, tableRows(project.sensors()), why, call.encoding);
        if (call.command == QLatin1String("export-pdf")) {
            // As the configurator's PDF command with the page dialog's choices.
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setPageSize(pageSize(call.paper));
            printer.setPageOrientation(
                call.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            return exportProjectPdf(
                project, &printer, out, coverageMapWanted(call, project, output), why);
        }
        if (call.command == QLatin1String("export-report"))
            return writeReport(call, project, why);
        if (call.command == QLatin1String("export-image")) {
            if (sceneImageSize(project.scene().sceneRect()).isEmpty()) {
                *why = QStringLiteral("the plan has nothing to draw; no image written");
                return false;
            }
            // The image shows what the window shows: with the map on, the
            // map under zones faded as the window fades them.
            if (coverageMapWanted(call, project, output))
                project.showCoverageMap(true);
            return exportSceneImage(&project.scene(), out, why);
        }
        return ProjectFile::saveProject(project.parts(), out, why);
    }

    // check: every file in turn, one line each on stdout. A file that cannot be
    // read is reported as by the other commands and the rest are still
    // checked; the status is then the first such file's.
    int runCheck(const Invocation &call, Output &output)
    {
        int status = Success;
        bool allMet = true;
        for (const QString &path : call.files) {
            ProjectDocument project;
            int failed = Success;
            if (!loadInput(path, project, output, &failed)) {
                if (status == Success)
                    status = failed;
                continue;
            }
            CoverageSettings targets = project.coverageSettings();
            if (call.min1)
                targets.min1 = *call.min1;
            if (call.min2Given)
                targets.min2 = call.min2;
            bool met = false;
            output.out += coverageCheckLine(project, path, targets, &met);
            allMet = allMet && met;
        }
        if (status != Success)
            return status;
        return allMet ? Success : TargetNotMet;
    }

} // namespace

QByteArray usage()
{
    return QByteArrayLiteral(
        "Usage:\n"
        "  zor-position-cli --help | --version\n"
        "  zor-position-cli info [--json] PROJECT.prj\n"
        "  zor-position-cli export-csv PROJECT.prj OUT.csv [--encoding cp1251|utf-8]\n"
        "  zor-position-cli export-pdf PROJECT.prj OUT.pdf [--paper A4|A3|A2|A1] "
        "[--landscape|--portrait] [--coverage]\n"
        "  zor-position-cli export-report PROJECT.prj OUT.pdf [--paper A4|A3|A2|A1]\n"
        "  zor-position-cli export-image PROJECT.prj OUT.png|OUT.jpg|OUT.bmp [--coverage]\n"
        "  zor-position-cli resave PROJECT.prj OUT.prj\n"
        "  zor-position-cli new OUT.prj --plan PLAN.png|PLAN.jpg|PLAN.bmp|PLAN.pdf\n"
        "                   [--page N] [--dpi D] [--drawing-scale N]\n"
        "  zor-position-cli check PROJECT.prj... [--min PERCENT] [--min2 PERCENT|none]\n"
        "--coverage draws the coverage map instead of the zones. export-report writes\n"
        "the design report (plan, coverage, detector schedule, obstacles) in portrait.\n"
        "check holds each project to its saved coverage targets, or to those given.\n"
        "Exit status: 0 done, 1 bad usage, 2 a file cannot be read or written,\n"
        "3 not a project of this program, 4 (check) a project misses a coverage\n"
        "target or has no outline. The input file is never changed.\n");
}

int run(const QStringList &arguments, Output &output)
{
    if (arguments.isEmpty())
        return usageError(output, QStringLiteral("no command given"));
    if (arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h")
        || arguments.first() == QLatin1String("help")) {
        output.out += usage();
        return Success;
    }
    if (arguments.first() == QLatin1String("--version")) {
        output.out += "zor-position-cli " ZOR_PRODUCT_VERSION "\n";
        return Success;
    }

    Invocation call;
    QString problem;
    if (!parse(arguments, call, &problem))
        return usageError(output, problem);

    if (call.command == QLatin1String("new"))
        return newProject(call, output);
    if (call.command == QLatin1String("check"))
        return runCheck(call, output);

    const QString &input = call.files.at(0);
    if (call.files.size() > 1) {
        const QString &out = call.files.at(1);
        if (call.command == QLatin1String("export-image") && !isImageName(out)) {
            output.err += line(aboutFile(
                out, QStringLiteral("unknown image type: name it .png, .jpg, .jpeg or .bmp")));
            return BadUsage;
        }
        if (isSameFile(input, out)) {
            output.err += line(aboutFile(
                out, QStringLiteral("is the input project itself; write the output elsewhere")));
            return BadUsage;
        }
    }

    const auto kept = std::make_shared<ProjectDocument>();
    output.kept = kept;
    ProjectDocument &project = *kept;
    int status = Success;
    if (!loadInput(input, project, output, &status))
        return status;

    if (call.command == QLatin1String("info")) {
        output.out += call.json ? projectInfoJson(project) : projectInfoText(project, input);
        return Success;
    }

    QString why;
    if (!writeOutput(call, project, &why, output)) {
        if (why.isEmpty())
            why = QStringLiteral("cannot be written");
        output.err += line(aboutFile(call.files.at(1), why));
        return FileError;
    }
    return Success;
}

} // namespace Cli
