// One frame of an obstacle drag as the window runs it: the obstacle moves a
// step, the zones it can reach are computed again, and the whole view is
// painted into an offscreen image of a window's size. Against it, in the same
// run, the same view painted with the zones hidden (the plan, obstacles,
// detectors and labels alone). Args: detectors, obstacles.
#include "bench/cputime.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/zonegraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QApplication>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

const QSize kViewSize(1600, 900);

// Obstacles in a grid of 3 m × 2 m blocks 10 m × 8 m apart, a room around
// them, and detectors on the obstacles' sides and then along the walls.
struct Plan
{
    Plan(int detectors, int obstacles)
    {
        const int columns = std::max(1, int(std::ceil(std::sqrt(obstacles * 1.25))));
        const int rows = std::max(1, (obstacles + columns - 1) / columns);
        const double width = columns * 10 + 10;
        const double height = rows * 8 + 8;
        QImage image(int(width * 20), int(height * 20), QImage::Format_RGB32);
        image.fill(QColor(250, 250, 245));
        imageItem.setPixmap(QPixmap::fromImage(image));
        imageItem.setScale(1.0 / 20);
        imageItem.setPos(-width / 2, -height / 2);
        scene.addItem(&imageItem);
        plan.setPath(QPolygonF({ { -width / 2, -height / 2 }, { width / 2, -height / 2 },
            { width / 2, height / 2 }, { -width / 2, height / 2 } }));
        scene.addItem(&plan);
        for (int i = 0; i < obstacles; ++i) {
            const int row = i / columns;
            const int column = i % columns;
            auto *obstacle = new ObjectGraphicsItem(i % 2);
            obstacle->setGeometry(-width / 2 + 5 + column * 10, -height / 2 + 4 + row * 8, 3, 2);
            scene.addItem(obstacle);
            objects.append(obstacle);
        }
        for (int i = 0; i < detectors; ++i) {
            auto *detector = new SensorGraphicsItem2(objects, &plan);
            scene.addItem(detector);
            if (i < 2 * obstacles / 3)
                detector->setSurface(objects.at(i), i % 4);
            else
                detector->setSurface(&plan, i % 4);
            detector->setPosition(1 + (i % 3), false);
            detector->setSensor(i % 2 ? '4' : '3');
            detector->setAngle((i % 7) * 10 - 30);
            detector->setTilt(i % 3 * 10);
            detector->setZValues();
            detector->updateZone();
            detector->updateLabelText();
            sensors.append(detector);
        }
        viewRect = QRectF(-width / 2 - 1, -height / 2 - 1, width + 2, height + 2);
    }
    ~Plan()
    {
        qDeleteAll(sensors);
        qDeleteAll(objects);
        scene.removeItem(&plan);
        scene.removeItem(&imageItem);
    }

    void paint(QImage *frame)
    {
        frame->fill(Qt::white);
        QPainter painter(frame);
        scene.render(&painter, QRectF(QPointF(), QSizeF(kViewSize)), viewRect);
    }

    QGraphicsScene scene;
    QGraphicsPixmapItem imageItem;
    PlanGraphicsItem plan;
    QList<ObjectGraphicsItem *> objects;
    QList<SensorGraphicsItem2 *> sensors;
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
    const double start = threadCpuSeconds();
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
    moved->setPos(home);
    const double reference = paintWithoutZones(plan, &frame, 5);
    state.counters["zones_per_frame"] = double(computed) / double(state.iterations());
    state.counters["paint_ref_ms"] = reference * 1e3;
    // CPU time of a frame over the reference's, and frames per CPU second.
    state.counters["ratio"] = perFrame / reference;
    state.counters["frames_per_s"] = 1 / perFrame;
}
BENCHMARK(BM_DragFrame)->Args({ 30, 20 })->Args({ 300, 300 })->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    plans.clear();
    benchmark::Shutdown();
    return 0;
}
