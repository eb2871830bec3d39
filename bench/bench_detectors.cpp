// Detector updates on a busy plan: 30 detectors and 20 obstacles in a 60 m × 40 m room.
#include "bench/benchmain.h"
#include "bench/busyplan.h"
#include "bench/cputime.h"
#include "bench/freshzone.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorzone.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/geometry.h"

#include <benchmark/benchmark.h>

#include <limits>

namespace {

// Made in main(), while the application object exists.
ProjectDocument *theBusyPlan = nullptr;

ProjectDocument &busyPlan()
{
    return *theBusyPlan;
}

// One detector after a panel edit or a drag step: zone, ray and label.
void BM_OneDetectorUpdate(benchmark::State &state)
{
    SensorGraphicsItem2 *detector = busyPlan().sensors().at(int(state.range(0)));
    for (auto _ : state) {
        detector->updateZone();
        detector->updateLabelText();
    }
}
BENCHMARK(BM_OneDetectorUpdate)->Arg(3)->Arg(25)->Unit(benchmark::kMillisecond);

// The computation alone, for comparison with the item's update.
void BM_ZoneComputation(benchmark::State &state)
{
    ProjectDocument &plan = busyPlan();
    SensorGraphicsItem2 *detector = plan.sensors().at(3);
    QVector<QPolygonF> outlines;
    for (ObjectGraphicsItem *obstacle : qAsConst(plan.objects()))
        outlines.append(obstacle->mapToScene(obstacle->polygon()));
    outlines.append(plan.plan().polygon());
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            computeSensorZone(detector->record(), pivot, detector->rotation(), outlines));
    }
}
BENCHMARK(BM_ZoneComputation)->Unit(benchmark::kMillisecond);

// A pointer move while a detector is dragged: snap onto the section, move, recompute.
void BM_DragStep(benchmark::State &state)
{
    ProjectDocument &plan = busyPlan();
    SensorGraphicsItem2 *detector = plan.sensors().at(5);
    double pos = 0;
    for (auto _ : state) {
        pos = pos > 2.5 ? 0.5 : pos + 0.1;
        detector->setPosition(pos, false);
        detector->updateZone();
        detector->updateLabelText();
    }
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);

// Every detector after an obstacle change, a calibration or a project load.
void BM_AllDetectors(benchmark::State &state)
{
    ProjectDocument &plan = busyPlan();
    for (auto _ : state) {
        for (SensorGraphicsItem2 *detector : qAsConst(plan.sensors()))
            detector->updateZone();
    }
}
BENCHMARK(BM_AllDetectors)->Unit(benchmark::kMillisecond);

// Every detector with its label, after a calibration or a project load,
// against sampling every zone without clipping, in the same run.
void BM_AllDetectorsWithLabels(benchmark::State &state)
{
    ProjectDocument &plan = busyPlan();
    const double start = threadCpuSeconds();
    for (auto _ : state) {
        for (SensorGraphicsItem2 *detector : qAsConst(plan.sensors())) {
            detector->updateZone();
            detector->updateLabelText();
        }
    }
    const double all = (threadCpuSeconds() - start) / double(state.iterations());
    const double sampling = cpuSecondsPerCall([&plan] {
        for (SensorGraphicsItem2 *detector : qAsConst(plan.sensors()))
            computeSensorZone(
                freshZoneParameters(ZoneParameters::fromRecord(detector->record())), QPointF(), 0,
                {});
    });
    state.counters["ratio"] = all / sampling;
}
BENCHMARK(BM_AllDetectorsWithLabels)->Unit(benchmark::kMillisecond);

// The window's nearest-surface search: the nearest point on the outline or
// on an obstacle's edge.
void snapToNearestSurface(ProjectDocument &plan, QPointF &pos, QGraphicsItem **item, int *section)
{
    const double infinity = std::numeric_limits<double>::infinity();
    QPointF best(infinity, infinity);
    int edge = nearestPolygonPoint(plan.plan().polygon(), pos, best);
    if (edge >= 0) {
        *item = &plan.plan();
        *section = edge;
    }
    for (ObjectGraphicsItem *obstacle : qAsConst(plan.objects())) {
        edge = nearestPolygonPoint(obstacle->scenePolygon(), pos, best);
        if (edge >= 0) {
            *item = obstacle;
            *section = edge;
        }
    }
    if (best.x() != infinity)
        pos = best;
}

// A pointer move while a detector is dragged: the nearest surface, the
// detector mounted there and moved, its zone, ray and label; against the zone
// computation alone, in the same run.
void BM_DragStepWithSnap(benchmark::State &state)
{
    ProjectDocument &plan = busyPlan();
    SensorGraphicsItem2 *detector = plan.sensors().at(5);
    QGraphicsItem *const home = detector->surface();
    const int homeSection = detector->section();
    const QPointF start = detector->pos();
    int step = 0;
    const double begin = threadCpuSeconds();
    for (auto _ : state) {
        step = (step + 1) % 30;
        QPointF pointer = start + QPointF(0.1 * step, 0.3);
        QGraphicsItem *item = nullptr;
        int section = -1;
        snapToNearestSurface(plan, pointer, &item, &section);
        if (item)
            detector->setSurface(item, section);
        detector->setPos(pointer);
        detector->updateZone();
        detector->updateLabelText();
    }
    const double perStep = (threadCpuSeconds() - begin) / double(state.iterations());
    detector->setSurface(home, homeSection);
    detector->setPosition(2, false);
    detector->updateZone();
    QVector<QPolygonF> obstacles;
    for (ObjectGraphicsItem *obstacle : qAsConst(plan.objects()))
        obstacles.append(obstacle->mapToScene(obstacle->polygon()));
    const QPolygonF outline = plan.plan().mapToScene(plan.plan().polygon());
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    const double zone = cpuSecondsPerCall([&] {
        computeSensorZone(detector->record(), pivot, detector->rotation(), obstacles, outline);
    });
    state.counters["ratio"] = perStep / zone;
}
BENCHMARK(BM_DragStepWithSnap)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, [] {
        ProjectDocument plan;
        buildBusyPlan(plan);
        theBusyPlan = &plan;
        benchmark::RunSpecifiedBenchmarks();
        theBusyPlan = nullptr;
        return 0;
    });
}
