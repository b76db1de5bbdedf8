// Benchmarks of the INI profile batch on a full node table: 255 node
// sections of 6 keys.
//   NodeTable/Write: one batch writes every key into a fresh NodeInfo.ini
//                    and replaces the file once (target: under 100 ms).
//   NodeTable/Read:  one batch reads the file and every key back (target:
//                    under 100 ms).
#include "platform/IniProfile.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <stdexcept>
#include <string>

namespace {

constexpr int kNodes = 255;
constexpr std::array<const char*, 6> kKeys{"GameNumber", "Group",       "Denomination",
                                           "Keydown",    "NoteInValue", "Kiosk"};

std::string NodeSection(int node) {
    return "Node" + std::to_string(node);
}

void WriteNodeTable(const std::string& path) {
    platform::ProfileBatch batch(path);
    for (int node = 1; node <= kNodes; ++node) {
        for (std::size_t k = 0; k < kKeys.size(); ++k) {
            batch.Write(NodeSection(node), kKeys[k], std::to_string(node * 10 + int(k)));
        }
    }
    if (!batch.Commit()) {
        throw std::runtime_error("NodeInfo.ini could not be written");
    }
}

void BM_NodeTableWrite(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("NodeInfo.ini").toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(QString::fromStdString(path));
        state.ResumeTiming();
        WriteNodeTable(path);
    }
}
BENCHMARK(BM_NodeTableWrite)->Name("NodeTable/Write")->Unit(benchmark::kMillisecond);

void BM_NodeTableRead(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("NodeInfo.ini").toStdString();
    WriteNodeTable(path);
    long sum = 0;
    for (auto _ : state) {
        const platform::ProfileBatch batch(path);
        for (int node = 1; node <= kNodes; ++node) {
            for (const char* key : kKeys) {
                sum += batch.GetInt(NodeSection(node), key, 0);
            }
        }
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_NodeTableRead)->Name("NodeTable/Read")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
