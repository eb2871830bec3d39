#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// The command-line tool run by the tests: its exit status (-1 when it did not
// end normally within two minutes) and what it wrote.
struct ToolRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Waits for a started tool to finish.
ToolRun finishedRun(QProcess &process);

// Runs the built tool with the arguments in the given environment.
ToolRun runTool(const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
