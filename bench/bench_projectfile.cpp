// Loading a project: the text tree, the obstacles, and the detectors with
// their zones, for growing numbers of obstacles and detectors.
#include "io/projectdocument.h"
#include "io/treenode.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

namespace {

// A square hall with a grid of 0.4 m posts and detectors around its walls.
void buildTree(TreeNode &root, int obstacles, int detectors, const char *shape)
{
    const double side = 4 + 2 * std::ceil(std::sqrt(double(obstacles)));
    root.addChild("App").setText(ProjectFile::applicationMark);
    TreeNode &outline = root.addChild("Outline");
    const TreePoint corners[]
        = { { 0, 0 }, { float(side), 0 }, { float(side), float(side) }, { 0, float(side) } };
    for (int i = 0; i < 4; ++i)
        outline.addChild(std::to_string(i + 1)).setPoint(corners[i]);
    TreeNode &objects = root.addChild("Objects");
    const int perRow = int(std::ceil(std::sqrt(double(obstacles))));
    for (int i = 0; i < obstacles; ++i) {
        const float x = 2 + 2 * (i % perRow);
        const float y = 2 + 2 * (i / perRow);
        objects.addChild(shape).setRect(TreeRect { x, y, x + 0.4f, y + 0.4f });
    }
    TreeNode &sensors = root.addChild("Sensors");
    for (int i = 0; i < detectors; ++i) {
        TreeNode &sensor = sensors.addChild("Sensor");
        sensor.addChild("Surface").setInteger(0);
        sensor.addChild("Section").setInteger(i % 4);
        sensor.addChild("Pos").setReal(side * (i / 4 + 1) / (detectors / 4 + 2));
        sensor.addChild("AtRight").setInteger(0);
        sensor.addChild("Sensor").setInteger('4');
        sensor.addChild("Height").setReal(3);
        sensor.addChild("Angle").setInteger(0);
        sensor.addChild("Tilt").setInteger(0);
    }
}

void loadProject(benchmark::State &state, const char *shape)
{
    const int count = int(state.range(0));
    ProjectDocument document;
    const ProjectParts parts = document.parts();
    for (auto _ : state) {
        state.PauseTiming();
        TreeNode root;
        buildTree(root, count, count, shape);
        state.ResumeTiming();
        const ProjectLoadResult result = ProjectFile::readProject(parts, root);
        benchmark::DoNotOptimize(result.detectorsRejected);
    }
    state.counters["obstacles"] = document.objects().size();
    state.counters["detectors"] = document.sensors().size();
}
void BM_LoadProjectWithPosts(benchmark::State &state)
{
    loadProject(state, "Rect");
}
// 300: the largest project the loader accepts.
BENCHMARK(BM_LoadProjectWithPosts)->Arg(10)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_LoadProjectWithRoundPosts(benchmark::State &state)
{
    loadProject(state, "Ellipse");
}
BENCHMARK(BM_LoadProjectWithRoundPosts)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
