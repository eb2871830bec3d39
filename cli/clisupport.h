#pragma once

#include "cli/clicommands.h"

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>

class ProjectDocument;
class QTextCodec;

// What the commands of zor-position-cli share.
namespace Cli {

constexpr char kProgram[] = "zor-position-cli";

struct Failure
{
    int status;
    QString message;
};

// One command as given: its positional arguments and options.
struct Invocation
{
    QString command;
    QStringList files;
    bool json = false;
    QString paper = QStringLiteral("A4");
    bool landscape = false;
    // new: the plan file and, for a PDF, the page, resolution and drawing
    // scale (0 where not given).
    QString plan;
    int page = 0;
    int dpi = 0;
    double drawingScale = 0;
    bool coverage = false;
    // check's targets in percent, where given: --min, and --min2 (none
    // for "--min2 none").
    std::optional<double> min1;
    bool min2Given = false;
    std::optional<double> min2;
    // The CSV table's codec; null for the locale's.
    QTextCodec *encoding = nullptr;
};

// One line of the tool's output: "zor-position-cli: text".
QByteArray line(const QString &text);
// "path: text".
QString aboutFile(const QString &path, const QString &text);
// Prints the problem and the usage text; returns BadUsage.
int usageError(Output &output, const QString &problem);
// Whether path names the same file as existing (through links too).
bool isSameFile(const QString &existing, const QString &path);

// Whether the name ends in a suffix the image export and new take.
bool isImageName(const QString &path);

// The paper named with --paper: A4, A3, A2 or A1.
QPageSize pageSize(const QString &paper);

// new: a project holding only the plan named with --plan.
int newProject(const Invocation &call, Output &output);

// export-report: the loaded project's design report into the second file, as
// the configurator's "Отчёт в PDF…" writes it; false, with *why, when it
// cannot be written.
bool writeReport(const Invocation &call, ProjectDocument &project, QString *why);

} // namespace Cli
