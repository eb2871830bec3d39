// One frame of an obstacle drag as the window runs it: the obstacle moves a
// step, the zones it can reach are computed again, and the whole view is
// painted into an offscreen image of a window's size, with the scene in the
// drag painting the window sets while the left button drags an obstacle. Against it, in the same
// run, the same view painted with the zones hidden (the plan, obstacles,
// detectors and labels alone). Args: detectors, obstacles. The zones are
// computed on all cores, so the frame is reported as the window thread's CPU
// time (the table's CPU column), all threads' CPU time and the wall clock.
#include "bench/benchmain.h"
#include "bench/busyplan.h"
#include "bench/cputime.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/zonegraphicsitem.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

const QSize kViewSize(1600, 900);

// The busy plan of the given size and the scene rectangle the view shows.
struct Plan
{
    Plan(int detectors, int obstacles)
    {
        buildBusyPlan(document, detectors, obstacles);
        viewRect = document.plan().polygon().boundingRect().adjusted(-1, -1, 1, 1);
    }

    void paint(QImage *frame)
    {
        frame->fill(Qt::white);
        QPainter painter(frame);
        document.scene().render(&painter, QRectF(QPointF(), QSizeF(kViewSize)), viewRect);
    }

    ProjectDocument document;
    QList<ObjectGraphicsItem *> &objects = document.objects();
    QList<SensorGraphicsItem2 *> &sensors = document.sensors();
    QRectF viewRect;
};

std::map<std::pair<int, int>, std::unique_ptr<Plan>> plans;

Plan &planOf(const benchmark::State &state)
{
    std::unique_ptr<Plan> &plan = plans[{ int(state.range(0)), int(state.range(1)) }];
    if (!plan)
        plan = std::make_unique<Plan>(int(state.range(0)), int(state.range(1)));
    return *plan;
}

// Painting alone, zones hidden: the reference of the frame below.
double paintWithoutZones(Plan &plan, QImage *frame, int times)
{
    for (SensorGraphicsItem2 *detector : qAsConst(plan.sensors))
        detector->zone()->hide();
    const double start = threadCpuSeconds();
    for (int i = 0; i < times; ++i)
        plan.paint(frame);
    const double seconds = (threadCpuSeconds() - start) / times;
    for (SensorGraphicsItem2 *detector : qAsConst(plan.sensors))
        detector->zone()->setVisible(!detector->zone()->pieces().isEmpty());
    return seconds;
}

void BM_DragFrame(benchmark::State &state)
{
    Plan &plan = planOf(state);
    QImage frame(kViewSize, QImage::Format_ARGB32_Premultiplied);
    ObjectGraphicsItem *moved = plan.objects.at(plan.objects.size() / 2);
    const QPointF home = moved->pos();
    int step = 0;
    int computed = 0;
    ZoneGraphicsItem::setDragPainting(&plan.document.scene(), true);
    const double start = threadCpuSeconds();
    const double startAll = processCpuSeconds();
    const double startWall = wallSeconds();
    for (auto _ : state) {
        const QPolygonF before = moved->mapToScene(moved->polygon());
        step = (step + 1) % 20;
        moved->setPos(home + QPointF(0.1 * (step < 10 ? step : 20 - step), 0.05 * step));
        for (SensorGraphicsItem2 *detector : qAsConst(plan.sensors)) {
            if (detector->surface() == moved)
                detector->replaceOnSurface();
        }
        computed += SensorGraphicsItem2::updateZonesNear(
            plan.sensors, moved, { before, moved->mapToScene(moved->polygon()) });
        plan.paint(&frame);
    }
    const double perFrame = (threadCpuSeconds() - start) / double(state.iterations());
    const double allThreads = (processCpuSeconds() - startAll) / double(state.iterations());
    const double wall = (wallSeconds() - startWall) / double(state.iterations());
    ZoneGraphicsItem::setDragPainting(&plan.document.scene(), false);
    moved->setPos(home);
    const double reference = paintWithoutZones(plan, &frame, 5);
    state.counters["zones_per_frame"] = double(computed) / double(state.iterations());
    state.counters["paint_ref_ms"] = reference * 1e3;
    // The zones are computed on every core: the window's thread spends
    // perFrame, all threads together allThreads, and the frame takes wall on
    // the clock. The ratio is the window thread's CPU time over the
    // reference's; frames per second by the clock, which a busy machine
    // lowers.
    state.counters["ratio"] = perFrame / reference;
    state.counters["all_threads_ms"] = allThreads * 1e3;
    state.counters["wall_ms"] = wall * 1e3;
    state.counters["frames_per_s"] = 1 / wall;
}
BENCHMARK(BM_DragFrame)->Args({ 30, 20 })->Args({ 300, 300 })->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, [] {
        benchmark::RunSpecifiedBenchmarks();
        plans.clear();
        return 0;
    });
}
