// The scene image as export-image writes it (300 dpi, 1:100), per detector of
// the sample hall: the whole render with the zones in bands on every core and
// in one pass, against the same render with the zones hidden, timed in the
// same run.
#include "bench/benchmain.h"
#include "bench/busyplan.h"
#include "bench/cputime.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/zonegraphicsitem.h"
#include "io/pngencoder.h"
#include "io/projectdocument.h"
#include "io/sceneimage.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>

#include <benchmark/benchmark.h>

namespace {

ProjectDocument *theHall = nullptr;

void setZonesShown(bool shown)
{
    for (SensorGraphicsItem2 *detector : theHall->sensors())
        detector->zone()->setVisible(shown && !detector->zone()->pieces().isEmpty());
}

void BM_ExportImagePerDetector(benchmark::State &state)
{
    QGraphicsScene &scene = theHall->scene();
    const QRectF rect = scene.sceneRect();
    const int detectors = theHall->sensors().size();
    const ZonePainting zones = state.range(0) ? ZonePainting::OnePass : ZonePainting::InBands;
    const double wallStart = wallSeconds();
    const double cpuStart = processCpuSeconds();
    for (auto _ : state)
        benchmark::DoNotOptimize(renderSceneToImage(&scene, rect, zones));
    const double whole = (wallSeconds() - wallStart) / double(state.iterations());
    const double cpu = (processCpuSeconds() - cpuStart) / double(state.iterations());
    setZonesShown(false);
    double bare = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double start = wallSeconds();
        renderSceneToImage(&scene, rect);
        bare = std::min(bare, wallSeconds() - start);
    }
    setZonesShown(true);
    state.SetLabel(state.range(0) ? "one pass" : "zones in bands");
    state.counters["detectors"] = detectors;
    // In wall time: the zones' share of the render, per detector, and the
    // whole over the render without zones; the CPU time of all threads.
    state.counters["zone_ms_per_detector"] = (whole - bare) * 1e3 / detectors;
    state.counters["ms_per_detector"] = whole * 1e3 / detectors;
    state.counters["cpu_ms_per_detector"] = cpu * 1e3 / detectors;
    state.counters["ratio"] = whole / bare;
}
BENCHMARK(BM_ExportImagePerDetector)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The PNG of the hall's scene image from its premultiplied pixels, in wall
// time: on all cores, and through Qt's writer after the whole-image conversion
// it needs.
void BM_EncodeScenePng(benchmark::State &state)
{
    QGraphicsScene &scene = theHall->scene();
    const QImage image = renderScenePremultiplied(&scene, scene.sceneRect());
    const bool qt = state.range(0) != 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        if (qt) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter(&buffer, "png").write(image.convertToFormat(QImage::Format_ARGB32));
            bytes = png.size();
        } else {
            bytes = encodePng(image).size();
        }
    }
    state.SetLabel(qt ? "Qt" : "all cores");
    state.counters["bytes"] = double(bytes);
    state.counters["megapixels"] = image.width() * double(image.height()) / 1e6;
}
BENCHMARK(BM_EncodeScenePng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, [] {
        ProjectDocument hall;
        if (!loadSampleHall(hall))
            return 1;
        hall.updateSceneRect();
        theHall = &hall;
        benchmark::RunSpecifiedBenchmarks();
        theHall = nullptr;
        return 0;
    });
}
