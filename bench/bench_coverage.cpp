// Floor coverage of the sample hall and of a busy plan (30 detectors, 20
// obstacles in a 60 m × 40 m room), and the cost of one zone with its exact
// line-of-sight cut against the zone clipped along its sight lines only.
#include "bench/benchmain.h"
#include "bench/busyplan.h"
#include "detectors/coverage.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorzone.h"
#include "io/projectdocument.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

ProjectDocument *theHall = nullptr;
ProjectDocument *theBusyPlan = nullptr;

void report(const char *name, const ProjectDocument &plan)
{
    const Coverage c = plan.coverage();
    std::printf("%s: floor %.2f m², unseen %.2f (%.1f %%), once %.2f (%.1f %%), "
                "at least twice %.2f (%.1f %%), at least three times %.2f (%.1f %%)\n",
        name, c.floorArea, c.unseenArea, 100 * c.share(c.unseenArea), c.onceArea,
        100 * c.share(c.onceArea), c.twiceArea, 100 * c.share(c.twiceArea), c.thriceArea,
        100 * c.share(c.thriceArea));
}

void runCoverage(benchmark::State &state, const ProjectDocument &plan)
{
    const ProjectDocument::CoverageInput input = plan.coverageInput();
    for (auto _ : state)
        benchmark::DoNotOptimize(computeCoverage(
            input.outline, input.obstacles, input.zones, false, input.viewpoints));
}

void BM_CoverageHall(benchmark::State &state)
{
    runCoverage(state, *theHall);
}
BENCHMARK(BM_CoverageHall)->Unit(benchmark::kMillisecond);

void BM_CoverageBusyPlan(benchmark::State &state)
{
    runCoverage(state, *theBusyPlan);
}
BENCHMARK(BM_CoverageBusyPlan)->Unit(benchmark::kMillisecond);

// One detector of the busy plan: the zone as the item computes it, then
// clipped along its sight lines only. Arg: the detector.
void BM_SeenZone(benchmark::State &state)
{
    const ProjectDocument::CoverageInput input = theBusyPlan->coverageInput();
    SensorGraphicsItem2 *detector = theBusyPlan->sensors().at(int(state.range(0)));
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    const QVector<QPolygonF> &obstacles = input.obstacles;
    const QPolygonF &outline = input.outline;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            computeSensorZone(detector->record(), pivot, detector->rotation(), obstacles, outline));
    }
}
BENCHMARK(BM_SeenZone)->Arg(3)->Arg(25)->Unit(benchmark::kMillisecond);

void BM_SightLineZone(benchmark::State &state)
{
    const ProjectDocument::CoverageInput input = theBusyPlan->coverageInput();
    SensorGraphicsItem2 *detector = theBusyPlan->sensors().at(int(state.range(0)));
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    QVector<QPolygonF> outlines = input.obstacles;
    outlines.append(input.outline);
    for (auto _ : state) {
        benchmark::DoNotOptimize(computeSightLineZone(
            ZoneParameters::fromRecord(detector->record()), pivot, detector->rotation(), outlines));
    }
}
BENCHMARK(BM_SightLineZone)->Arg(3)->Arg(25)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, [] {
        ProjectDocument hall;
        if (!loadSampleHall(hall))
            return 1;
        ProjectDocument busy;
        buildBusyPlan(busy);
        theHall = &hall;
        theBusyPlan = &busy;
        report("sample hall", hall);
        report("busy plan", busy);
        benchmark::RunSpecifiedBenchmarks();
        theHall = nullptr;
        theBusyPlan = nullptr;
        return 0;
    });
}
