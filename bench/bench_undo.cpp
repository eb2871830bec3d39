// Undo and redo on the busy plan: 30 detectors and 20 obstacles in a 60 m × 40 m
// room over a plan image.
#include "bench/benchmain.h"
#include "bench/busyplan.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/projectdocument.h"

#include <benchmark/benchmark.h>

namespace {

// One step back: the whole project is put back from the state before a detector move.
void BM_UndoOneStep(benchmark::State &state)
{
    ProjectDocument document;
    buildBusyPlan(document);
    // A detector on a wall, moved along it.
    document.sensors().at(25)->setPosition(5, false);
    if (!document.recordStep()) {
        state.SkipWithError("the move recorded no step");
        return;
    }
    for (auto _ : state) {
        if (!document.undo()) {
            state.SkipWithError("nothing to undo");
            return;
        }
        state.PauseTiming();
        document.redo();
        state.ResumeTiming();
    }
    state.counters["obstacles"] = document.objects().size();
    state.counters["detectors"] = document.sensors().size();
}
BENCHMARK(BM_UndoOneStep)->Unit(benchmark::kMillisecond);

// Recording a step: the project tree without the image, compared and named.
void BM_RecordStep(benchmark::State &state)
{
    ProjectDocument document;
    buildBusyPlan(document);
    SensorGraphicsItem2 *detector = document.sensors().at(25);
    double pos = 1;
    for (auto _ : state) {
        pos = pos > 2.5 ? 0.5 : pos + 0.1;
        detector->setPosition(pos, false);
        benchmark::DoNotOptimize(document.recordStep());
    }
}
BENCHMARK(BM_RecordStep)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, [] {
        benchmark::RunSpecifiedBenchmarks();
        return 0;
    });
}
