#include "benchmain.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int runBenchmarkProgram(int argc, char **argv, const std::function<int()> &run)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int status = run();
    benchmark::Shutdown();
    return status;
}
