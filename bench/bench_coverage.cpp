// Floor coverage of the sample hall and of a busy plan (30 detectors, 20
// obstacles in a 60 m × 40 m room), and the cost of one zone with its exact
// line-of-sight cut against the zone clipped along its sight lines only.
#include "detectors/coverage.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorzone.h"
#include "io/projectdocument.h"
#include "io/projectfile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QApplication>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// A project as every program holds it, with the coverage inputs at hand.
struct Plan
{
    ProjectParts parts() { return document.parts(); }

    // The inputs of the coverage, in scene coordinates.
    QPolygonF outline() const { return plan.mapToScene(plan.polygon()); }
    QVector<QPolygonF> obstacles() const
    {
        QVector<QPolygonF> result;
        for (ObjectGraphicsItem *obstacle : objects)
            result.append(obstacle->mapToScene(obstacle->polygon()));
        return result;
    }
    QVector<QVector<QPolygonF>> zones() const
    {
        QVector<QVector<QPolygonF>> result;
        for (SensorGraphicsItem2 *detector : sensors) {
            QVector<QPolygonF> pieces;
            for (const QPolygonF &piece : detector->zone()->pieces())
                pieces.append(detector->zone()->mapToScene(piece));
            result.append(pieces);
        }
        return result;
    }

    ProjectDocument document;
    QGraphicsScene &scene = document.scene();
    PlanGraphicsItem &plan = document.plan();
    QList<ObjectGraphicsItem *> &objects = document.objects();
    QList<SensorGraphicsItem2 *> &sensors = document.sensors();
};

// The plan of bench_detectors.
void buildBusyPlan(Plan &p)
{
    p.plan.setPath(QPolygonF({ { -30, -20 }, { 30, -20 }, { 30, 20 }, { -30, 20 } }));
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 5; ++column) {
            auto *obstacle = new ObjectGraphicsItem((row + column) % 2);
            obstacle->setGeometry(-20 + column * 10, -12 + row * 8, 3, 2);
            p.scene.addItem(obstacle);
            p.objects.append(obstacle);
        }
    }
    for (int i = 0; i < 30; ++i) {
        auto *detector = new SensorGraphicsItem2(p.objects, &p.plan);
        p.scene.addItem(detector);
        if (i < 20)
            detector->setSurface(p.objects.at(i), i % 4);
        else
            detector->setSurface(&p.plan, i % 4);
        detector->setPosition(1 + (i % 3), false);
        detector->setSensor(i % 2 ? '4' : '3');
        detector->setAngle((i % 7) * 10 - 30);
        detector->setTilt(i % 3 * 10);
        detector->setZValues();
        detector->updateZone();
        p.sensors.append(detector);
    }
}

Plan *theHall = nullptr;
Plan *theBusyPlan = nullptr;

void report(const char *name, const Plan &plan)
{
    const Coverage c = computeCoverage(plan.outline(), plan.obstacles(), plan.zones());
    std::printf("%s: floor %.2f m², unseen %.2f (%.1f %%), once %.2f (%.1f %%), "
                "at least twice %.2f (%.1f %%), at least three times %.2f (%.1f %%)\n",
        name, c.floorArea, c.unseenArea, 100 * c.share(c.unseenArea), c.onceArea,
        100 * c.share(c.onceArea), c.twiceArea, 100 * c.share(c.twiceArea), c.thriceArea,
        100 * c.share(c.thriceArea));
}

void runCoverage(benchmark::State &state, const Plan &plan)
{
    const QPolygonF outline = plan.outline();
    const QVector<QPolygonF> obstacles = plan.obstacles();
    const QVector<QVector<QPolygonF>> zones = plan.zones();
    for (auto _ : state)
        benchmark::DoNotOptimize(computeCoverage(outline, obstacles, zones));
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
    const Plan &plan = *theBusyPlan;
    SensorGraphicsItem2 *detector = plan.sensors.at(int(state.range(0)));
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    const QVector<QPolygonF> obstacles = plan.obstacles();
    const QPolygonF outline = plan.outline();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            computeSensorZone(detector->record(), pivot, detector->rotation(), obstacles, outline));
    }
}
BENCHMARK(BM_SeenZone)->Arg(3)->Arg(25)->Unit(benchmark::kMillisecond);

void BM_SightLineZone(benchmark::State &state)
{
    const Plan &plan = *theBusyPlan;
    SensorGraphicsItem2 *detector = plan.sensors.at(int(state.range(0)));
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    QVector<QPolygonF> outlines = plan.obstacles();
    outlines.append(plan.outline());
    for (auto _ : state) {
        benchmark::DoNotOptimize(computeSightLineZone(
            ZoneParameters::fromRecord(detector->record()), pivot, detector->rotation(), outlines));
    }
}
BENCHMARK(BM_SightLineZone)->Arg(3)->Arg(25)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    {
        Plan hall;
        if (!ProjectFile::loadProject(
                hall.parts(), QStringLiteral(ZOR_SOURCE_DIR "/examples/hall.prj"))
                 .loaded()) {
            std::fprintf(stderr, "examples/hall.prj could not be loaded\n");
            return 1;
        }
        Plan busy;
        buildBusyPlan(busy);
        theHall = &hall;
        theBusyPlan = &busy;
        report("sample hall", hall);
        report("busy plan", busy);
        benchmark::RunSpecifiedBenchmarks();
        theHall = nullptr;
        theBusyPlan = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
