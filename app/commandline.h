#pragma once

#include <QString>
#include <QStringList>

// The window program's command line: zor-position [--help | --version] [FILE.prj].
struct CommandLine
{
    enum Action
    {
        Run,
        ShowHelp,
        ShowVersion,
        // Bad usage: message says what is wrong.
        Fail
    };

    Action action = Run;
    // The project to open at start; empty when none was named.
    QString file;
    QString message;

    // arguments as QCoreApplication::arguments() gives them, the program first.
    static CommandLine parse(const QStringList &arguments);
    // The usage text printed by --help, in Russian.
    static QString helpText();
    // The line printed by --version.
    static QString versionText();
};
