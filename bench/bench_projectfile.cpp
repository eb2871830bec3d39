// Loading a project: the text tree, the obstacles, and the detectors with
// their zones, for growing numbers of obstacles and detectors. Opening and
// saving a project over a scanned 8000 × 6000 plan, and the command-line info
// of the largest project, each against a reference measured in the same run:
// their "ratio" counter is the median time of the work over the median time of
// the reference, both taken in turns.
#include "io/pngdecoder.h"
#include "io/projectdocument.h"
#include "io/treefile.h"
#include "io/treenode.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

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
        // A stored rectangle is its centre and its size.
        objects.addChild(shape).setRect(TreeRect { x, y, 0.4f, 0.4f });
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

// A scanned plan: paper with grain in every pixel, walls and dimension lines.
QImage scannedPlan(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t seed = 51;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int paper = 236 + int(seed >> 28);
            line[x] = qRgb(paper, paper - int(seed >> 30 & 1), paper - 3);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(35, 35, 45), width / 400.0));
    for (int i = 1; i < 8; ++i) {
        painter.drawLine(
            QPointF(width * i / 8.0, height * 0.05), QPointF(width * i / 8.0, height * 0.95));
        painter.drawLine(
            QPointF(width * 0.05, height * i / 8.0), QPointF(width * 0.95, height * i / 8.0));
    }
    painter.setPen(QPen(QColor(60, 60, 90), width / 3000.0));
    for (int i = 0; i < 200; ++i)
        painter.drawLine(QPointF(width * (i % 20) / 20.0, height * (i / 20) / 10.0),
            QPointF(width * (i % 20 + 1) / 20.0, height * (i / 20) / 10.0 + height / 40.0));
    return image;
}

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

QByteArray pngOf(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Writes a project over the plan in png (with obstacles and detectors when
// counts are given) and the PNG beside it; returns the project's path.
QString writeProject(const QString &name, const QByteArray &png, int counts)
{
    QFile plan(scratch().filePath(name + QStringLiteral(".png")));
    plan.open(QIODevice::WriteOnly);
    plan.write(png);
    plan.close();
    const QString path = scratch().filePath(name + QStringLiteral(".prj"));
    TreeFile file(path.toStdU16String());
    if (counts > 0)
        buildTree(file.root(), counts, counts, "Rect");
    else
        file.root().addChild("App").setText(ProjectFile::applicationMark);
    file.root().addChild("Image").setText(png.toBase64().toStdString());
    file.save();
    return path;
}

QString planPath(const QString &project)
{
    return project.left(project.size() - 4) + QStringLiteral(".png");
}

// The 8000 × 6000 scanned plan, made once for the run.
const QString &bigProject()
{
    static const QString path
        = writeProject(QStringLiteral("big"), pngOf(scannedPlan(8000, 6000)), 0);
    return path;
}

double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double processSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double childSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double timed(double (*clock)(), const std::function<void()> &work)
{
    const double start = clock();
    work();
    return clock() - start;
}

// Reading and decoding the plan's PNG file alone, the fastest way the program
// has: its own decoder for the plain files it writes, Qt's reader for others.
void decodePlan(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray png = file.readAll();
    QImage image;
    if (!decodePlainPng(png, &image))
        image = QImage::fromData(png, "PNG");
    benchmark::DoNotOptimize(image.constBits());
}

// Read, parse, Base64, PNG and the shown image with its watermark, in the
// CPU time of all the process's threads (the image is decoded on a thread of
// its own while the zones are computed on every core), against reading and
// decoding the PNG file alone; and the same by the clock.
void BM_OpenScannedProject(benchmark::State &state)
{
    const QString path = bigProject();
    ProjectDocument document;
    std::vector<double> work;
    std::vector<double> reference;
    std::vector<double> workClock;
    std::vector<double> referenceClock;
    for (auto _ : state) {
        state.PauseTiming();
        const double referenceStart = wallSeconds();
        reference.push_back(timed(processSeconds, [&] { decodePlan(planPath(path)); }));
        referenceClock.push_back(wallSeconds() - referenceStart);
        state.ResumeTiming();
        const double start = wallSeconds();
        work.push_back(timed(processSeconds, [&] { document.load(path); }));
        workClock.push_back(wallSeconds() - start);
    }
    state.counters["ratio"] = median(work) / median(reference);
    state.counters["decodeMs"] = median(reference) * 1000;
    state.counters["wallRatio"] = median(workClock) / median(referenceClock);
}
BENCHMARK(BM_OpenScannedProject)->Iterations(5)->Unit(benchmark::kMillisecond);

// Writes size bytes to path and waits for them to reach the disk.
void writeAndSync(const QString &path, const std::string &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const char *p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written <= 0)
            break;
        p += written;
        left -= std::size_t(written);
    }
    ::fsync(fd);
    ::close(fd);
}

// Saving the unchanged opened project, in real time (the save waits for the
// disk), against writing as many bytes and syncing them.
void BM_SaveScannedProject(benchmark::State &state)
{
    const QString path = bigProject();
    ProjectDocument document;
    document.load(path);
    const QString saved = scratch().filePath(QStringLiteral("saved.prj"));
    const QString plain = scratch().filePath(QStringLiteral("plain.bin"));
    document.save(saved);
    const std::string bytes(std::size_t(QFileInfo(saved).size()), 'x');
    std::vector<double> work;
    std::vector<double> reference;
    for (auto _ : state) {
        state.PauseTiming();
        reference.push_back(timed(wallSeconds, [&] { writeAndSync(plain, bytes); }));
        state.ResumeTiming();
        work.push_back(timed(wallSeconds, [&] { document.save(saved); }));
    }
    state.counters["ratio"] = median(work) / median(reference);
    state.counters["writeMs"] = median(reference) * 1000;
    state.counters["MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_SaveScannedProject)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

// zor-position-cli info of a project with 300 obstacles and 300 detectors
// over a scanned plan, in the tool's CPU time, against decoding its plan.
void BM_InfoLargestProject(benchmark::State &state)
{
    static const QString path
        = writeProject(QStringLiteral("largest"), pngOf(scannedPlan(2400, 1800)), 300);
    std::vector<double> work;
    std::vector<double> reference;
    std::vector<double> clock;
    for (auto _ : state) {
        reference.push_back(timed(threadSeconds, [&] { decodePlan(planPath(path)); }));
        const double started = wallSeconds();
        const double seconds = timed(childSeconds, [&] {
            QProcess tool;
            tool.start(QStringLiteral(ZOR_CLI), { QStringLiteral("info"), path });
            tool.waitForFinished(-1);
            benchmark::DoNotOptimize(tool.readAllStandardOutput().size());
        });
        clock.push_back(wallSeconds() - started);
        work.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["ratio"] = median(work) / median(reference);
    state.counters["decodeMs"] = median(reference) * 1000;
    // The figures a user sees: the tool's CPU time on all cores, and the clock.
    state.counters["toolCpuMs"] = median(work) * 1000;
    state.counters["toolWallMs"] = median(clock) * 1000;
}
BENCHMARK(BM_InfoLargestProject)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
