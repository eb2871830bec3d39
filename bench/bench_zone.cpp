// The zone of one detector in a 12 × 8 m room with 20 rectangle obstacles:
// the outline clips almost every sampled vertex.
#include "bench/cputime.h"
#include "bench/freshzone.h"
#include "detectors/sensorzone.h"
#include "detectors/windingindex.h"

#include <benchmark/benchmark.h>

namespace {

QPolygonF rect(double left, double top, double right, double bottom)
{
    return QPolygonF(
        { QPointF(left, top), QPointF(right, top), QPointF(right, bottom), QPointF(left, bottom) });
}

QVector<QPolygonF> room()
{
    QVector<QPolygonF> outlines;
    // Twenty 0.4 m posts in a 5 × 4 grid, then the outline.
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 5; ++column) {
            const double x = 1.5 + column * 2.2;
            const double y = 1.2 + row * 1.6;
            outlines.append(rect(x, y, x + 0.4, y + 0.4));
        }
    }
    outlines.append(rect(0, 0, 12, 8));
    return outlines;
}

ZoneParameters detector()
{
    ZoneParameters p;
    p.sensor = '4';
    p.sensitivity = 100;
    p.height = 3;
    p.angle = 20;
    return p;
}

void BM_ZoneInFurnishedRoom(benchmark::State &state)
{
    const QVector<QPolygonF> outlines = room();
    const ZoneParameters p = detector();
    const QPointF pivot(6, 8 - 0.07);
    int vertices = 0;
    for (auto _ : state) {
        const SensorZone zone = computeSensorZone(p, pivot, 0, outlines);
        vertices = zone.polygon.size();
        benchmark::DoNotOptimize(zone.polygon.data());
    }
    const SensorZone zone = computeSensorZone(p, pivot, 0, outlines);
    state.counters["sampled"] = zone.sampled.size();
    state.counters["kept"] = vertices;
    // Against sampling the same zone with nothing to clip, timed in the same
    // run: "ratio" with the zone's values met before (its sampled polygon and
    // inside test kept, as in a drag or a plan whose detectors share values),
    // "freshRatio" with values new each time (sampled, indexed and clipped).
    const double clipped = cpuSecondsPerCall([&] { computeSensorZone(p, pivot, 0, outlines); });
    const double fresh = cpuSecondsPerCall(
        [&] { computeSensorZone(freshZoneParameters(p), pivot, 0, outlines); });
    const double sampling
        = cpuSecondsPerCall([&] { computeSensorZone(freshZoneParameters(p), pivot, 0, {}); });
    state.counters["ratio"] = clipped / sampling;
    state.counters["freshRatio"] = fresh / sampling;
}
BENCHMARK(BM_ZoneInFurnishedRoom)->Unit(benchmark::kMicrosecond);

// Sampling a zone afresh, with nothing to clip.
void BM_ZoneWithoutOutlines(benchmark::State &state)
{
    const ZoneParameters p = detector();
    for (auto _ : state) {
        const SensorZone zone = computeSensorZone(freshZoneParameters(p), QPointF(6, 7.93), 0, {});
        benchmark::DoNotOptimize(zone.polygon.data());
    }
}
BENCHMARK(BM_ZoneWithoutOutlines)->Unit(benchmark::kMicrosecond);

// The inside test of the clipping step, once per sampled vertex: the banded
// index against the toolkit's walk over every edge.
void BM_InsideTestBanded(benchmark::State &state)
{
    const QPolygonF sampled = computeSensorZone(detector(), QPointF(), 0, {}).sampled;
    for (auto _ : state) {
        const WindingIndex index(sampled);
        int inside = 0;
        for (const QPointF &v : sampled)
            inside += index.contains(v * 0.9);
        benchmark::DoNotOptimize(inside);
    }
    state.counters["vertices"] = sampled.size();
}
BENCHMARK(BM_InsideTestBanded)->Unit(benchmark::kMicrosecond);

void BM_InsideTestNaive(benchmark::State &state)
{
    const QPolygonF sampled = computeSensorZone(detector(), QPointF(), 0, {}).sampled;
    for (auto _ : state) {
        int inside = 0;
        for (const QPointF &v : sampled)
            inside += sampled.containsPoint(v * 0.9, Qt::WindingFill);
        benchmark::DoNotOptimize(inside);
    }
}
BENCHMARK(BM_InsideTestNaive)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
