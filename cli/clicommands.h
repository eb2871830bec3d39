#pragma once

#include <QByteArray>
#include <QStringList>

#include <memory>

// The commands of zor-position-cli. Nothing here shows a dialog or touches the
// user's settings, and no command writes to its input file.
namespace Cli {

enum ExitCode
{
    Success = 0,
    // Unknown command or option, missing or surplus arguments, an output that
    // is the input itself, an image name without a known suffix.
    BadUsage = 1,
    // A file that cannot be read or written.
    FileError = 2,
    // "App" missing or not this program's: not a project of this program.
    NotAProject = 3,
    // check: a project's coverage falls short of a target, or it has no outline.
    TargetNotMet = 4
};

// What a run prints, kept apart so that main() decides where it goes.
struct Output
{
    QByteArray out;
    QByteArray err;
    // The project the command read, left to go with the process: a tool about
    // to exit need not take a large project apart item by item.
    std::shared_ptr<void> kept;
};

// The usage text, as printed with --help and after a usage error.
QByteArray usage();

// Runs the command line (without the program name) and returns the exit status.
int run(const QStringList &arguments, Output &output);

} // namespace Cli
