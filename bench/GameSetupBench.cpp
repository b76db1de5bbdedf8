// Benchmarks of the game setup window's file work with 255 nodes (target:
// each under 100 ms).
//   Open:       building frmGameSetup, which reads NodeInfo.ini and shows node 1.
//   OK:         writing the table to NodeInfo.ini (a file that holds it).
//   Write File: NodeInfo.txt, NodeBackup99.bin and SiteBackup99.bin.
//   Read File (one 5 MB line): "Read File" on a NodeInfo.txt whose one node
//     line holds a 5 MB field, the report shown in a real message box.
#include "common/ProgramState.h"
#include "game_setup/NodeFiles.h"
#include "game_setup/frmGameSetup.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <fstream>

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

void BM_ReadFileHugeLine(benchmark::State& state) {
    Folder folder;
    const ProgramState& program = ProgramState::Instance();
    std::ofstream(program.ProgramFolder + "/NodeInfo.txt", std::ios::binary)
        << "1234\t001\t0001A\t" << std::string(5'000'000, '7') << "\t$0.01\t$0.01\t0x00\r\n";
    // The report is laid out and drawn as the operator would see it.
    platform::SetMessageHook([](const platform::MessageRequest& request) {
        QMessageBox box(QMessageBox::Warning, request.title, request.text);
        box.show();
        QCoreApplication::processEvents();
        return platform::MessageAnswer::Ok;
    });
    frmGameSetup window;
    window.show();
    auto* read = window.findChild<QPushButton*>("cmdFileRead");
    for (auto _ : state) {
        read->click();
    }
    platform::SetMessageHook({});
}

} // namespace

BENCHMARK(BM_Open)->Name("GameSetup/Open (255 nodes)")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OK)->Name("GameSetup/OK (255 nodes)")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFile)->Name("GameSetup/Write File (255 nodes)")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFileHugeLine)
    ->Name("GameSetup/Read File (one 5 MB line)")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
