// Writing and reading a project tree whose image value is 20 MB.
#include "io/treefile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

namespace {

constexpr std::size_t kImageSize = 20u << 20;

void fill(TreeNode &root)
{
    static const char alphabet[]
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string image(kImageSize, 'A');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = alphabet[(i * 2654435761u >> 7) & 63];
    root.addChild("App").setText("ZOR-51ma Position");
    root.addChild("Image").setText(image);
    root.addChild("Center").setPoint({ 512, 384 });
    root.addChild("Scale").setReal(0.012);
    TreeNode &sensors = root.addChild("Sensors");
    for (int i = 0; i < 30; ++i) {
        TreeNode &s = sensors.addChild("Sensor");
        s.addChild("Tag").setText("TAG-" + std::to_string(i));
        s.addChild("Height").setReal(3.0);
        s.addChild("In1").setText("ШТ1\"");
    }
}

std::string written()
{
    TreeNode root;
    fill(root);
    std::ostringstream out;
    root.write(out, -1);
    return out.str();
}

void BM_TreeWriteToMemory(benchmark::State &state)
{
    TreeNode root;
    fill(root);
    std::size_t size = 0;
    for (auto _ : state) {
        std::ostringstream out;
        root.write(out, -1);
        size = std::size_t(out.tellp());
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_TreeWriteToMemory)->Unit(benchmark::kMillisecond);

void BM_TreeReadFromMemory(benchmark::State &state)
{
    const std::string text = written();
    for (auto _ : state) {
        TreeNode root;
        std::istringstream in(text);
        root.read(in);
        benchmark::DoNotOptimize(root.childCount());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_TreeReadFromMemory)->Unit(benchmark::kMillisecond);

std::filesystem::path scratchFile()
{
    return std::filesystem::temp_directory_path() / "bench_tree.prj";
}

// The whole safe save: temporary file, flush to the disk, rename.
void BM_TreeFileSave(benchmark::State &state)
{
    TreeFile file(scratchFile());
    fill(file.root());
    for (auto _ : state)
        benchmark::DoNotOptimize(file.save());
    state.SetBytesProcessed(
        std::int64_t(state.iterations()) * std::int64_t(std::filesystem::file_size(scratchFile())));
}
// In real time: most of a save is waiting for the disk.
BENCHMARK(BM_TreeFileSave)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TreeFileLoad(benchmark::State &state)
{
    {
        TreeFile file(scratchFile());
        fill(file.root());
        file.save();
    }
    TreeFile file(scratchFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(file.load());
    state.SetBytesProcessed(
        std::int64_t(state.iterations()) * std::int64_t(std::filesystem::file_size(scratchFile())));
    std::filesystem::remove(scratchFile());
}
BENCHMARK(BM_TreeFileLoad)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
