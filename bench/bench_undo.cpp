// Undo and redo on a busy plan: 30 detectors and 20 obstacles in a 60 m × 40 m
// room over a plan image, the plan of bench_detectors in a project document.
#include "detectors/sensorgraphicsitem2.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <benchmark/benchmark.h>

namespace {

void buildBusyPlan(ProjectDocument &document)
{
    QPixmap image(3000, 2000);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        for (int x = 0; x < 3000; x += 50)
            painter.drawLine(x, 0, x, 2000);
    }
    document.planImage().setScale(0.02);
    document.setPlanImage(image, QPointF(1500 * 0.02, 1000 * 0.02));
    document.plan().setPath(QPolygonF({ { -30, -20 }, { 30, -20 }, { 30, 20 }, { -30, 20 } }));
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 5; ++column) {
            const int kind
                = (row + column) % 2 == 0 ? ObjectGraphicsItem::Rect : ObjectGraphicsItem::Ellipse;
            auto *obstacle = new ObjectGraphicsItem(kind);
            obstacle->setGeometry(-20 + column * 10, -12 + row * 8, 3, 2);
            document.scene().addItem(obstacle);
            document.objects().append(obstacle);
        }
    }
    for (int i = 0; i < 30; ++i) {
        auto *detector = new SensorGraphicsItem2(document.objects(), &document.plan());
        document.scene().addItem(detector);
        if (i < 20)
            detector->setSurface(document.objects().at(i), i % 4);
        else
            detector->setSurface(&document.plan(), i % 4);
        detector->setPosition(1 + (i % 3), false);
        detector->setSensor(i % 2 ? '4' : '3');
        detector->setAngle((i % 7) * 10 - 30);
        detector->setTilt(i % 3 * 10);
        detector->setZValues();
        detector->updateZone();
        detector->updateLabelText();
        document.sensors().append(detector);
    }
    document.resetHistory();
}

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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
