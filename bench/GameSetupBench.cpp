// Benchmarks of the game setup window's file work with 255 nodes (target:
// each under 100 ms).
//   Open:       building frmGameSetup, which reads NodeInfo.ini and shows node 1.
//   OK:         writing the table to NodeInfo.ini (a file that holds it).
//   Write File: NodeInfo.txt, NodeBackup99.bin and SiteBackup99.bin.
#include "common/ProgramState.h"
#include "game_setup/NodeFiles.h"
#include "game_setup/frmGameSetup.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

namespace {

constexpr int kNodes = 255;

gamesetup::NodeTable FullTable() {
    gamesetup::NodeTable table{};
    for (int n = 1; n <= kNodes; ++n) {
        auto& r = table[static_cast<std::size_t>(n)];
        r.GameNumber = static_cast<std::int16_t>(n * 11);
        r.GameGroup = static_cast<std::uint8_t>(n % 2);
        r.NoteInValue = static_cast<std::uint8_t>(n % 7);
        r.Denom = static_cast<std::uint8_t>(n % 7);
        r.KeyDown = static_cast<std::uint8_t>(n % 16);
        r.Config = static_cast<std::uint8_t>(n % 2);
    }
    return table;
}

// A program folder whose NodeInfo.ini holds 255 nodes of this site and as
// many of another.
struct Folder {
    QTemporaryDir dir;
    Folder() {
        ProgramState& state = ProgramState::Instance();
        state.SetProgramFolder(dir.path().toStdString());
        state.SiteParams.MaxNode = kNodes;
        state.SiteParams.CardPrefix = 1234;
        gamesetup::SaveNodeIni(state.NodeFilePath, FullTable(), 4321, kNodes);
        gamesetup::SaveNodeIni(state.NodeFilePath, FullTable(), 1234, kNodes);
    }
};

void BM_Open(benchmark::State& state) {
    Folder folder;
    for (auto _ : state) {
        frmGameSetup window;
        benchmark::DoNotOptimize(window.CurrentNode());
    }
}

void BM_OK(benchmark::State& state) {
    Folder folder;
    gamesetup::NodeTable table = FullTable();
    for (auto _ : state) {
        table[1].GameNumber = static_cast<std::int16_t>(table[1].GameNumber + 1);
        if (!gamesetup::SaveNodeIni(ProgramState::Instance().NodeFilePath, table, 1234, kNodes)) {
            state.SkipWithError("NodeInfo.ini not written");
            return;
        }
    }
}

void BM_WriteFile(benchmark::State& state) {
    Folder folder;
    const gamesetup::NodeTable table = FullTable();
    const ProgramState& program = ProgramState::Instance();
    for (auto _ : state) {
        if (!gamesetup::WriteNodeFiles(program.ProgramFolder, table, program.SiteParams).empty()) {
            state.SkipWithError("files not written");
            return;
        }
    }
}

} // namespace

BENCHMARK(BM_Open)->Name("GameSetup/Open (255 nodes)")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OK)->Name("GameSetup/OK (255 nodes)")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFile)->Name("GameSetup/Write File (255 nodes)")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
