// Benchmarks of the device link.
//   Timeout:         one exchange that gets no reply; the CPU column is what
//                    waiting out the 500 ms costs (target: at most 10 ms).
//   NovRamRead/sim:  NovRamRead(addr, 128) against the in-process simulated
//                    host, link log included (target: 5000 per second).
//   NovRamRead/pty:  the same over a pseudo-terminal against orvane-hostsim.
//   RoundTrip/pty:   the pseudo-terminal's own round trip for the same frame,
//                    without the link (the link should add at most 1 ms).
//   NovRamRead/sim@9600, NovRamRead/pty@9600: the same read with the reply
//                    paced as on a 9600-baud line (about 165 ms each); the
//                    "CPU%" column is the link's CPU time as a share of the
//                    wall time (target: at most 5 %).
#include "common/Crc16.h"
#include "common/LinkLog.h"
#include "hostsim/SimFtdiDevice.h"
#include "hostsim/SimulatedHost.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/TtyDevice.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>

#include <chrono>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

namespace {

std::string g_hostsimPath;

// A started orvane-hostsim and the pseudo-terminal it serves.
struct Hostsim {
    QProcess process;
    std::string path;

    bool Start(const QStringList& extra = {}) {
        process.start(QString::fromStdString(g_hostsimPath), QStringList{"--pty"} + extra);
        if (!process.waitForStarted(10000)) {
            return false;
        }
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(10000)) {
                return false;
            }
        }
        path = QString::fromLocal8Bit(process.readLine()).trimmed().toStdString();
        return !path.empty();
    }
    ~Hostsim() {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }
};

// CPU time of this process and wall time, to report the CPU share of a wait.
struct CpuShare {
    std::clock_t cpuStart = std::clock();
    std::chrono::steady_clock::time_point wallStart = std::chrono::steady_clock::now();

    void Report(benchmark::State& state) const {
        const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        state.counters["CPU%"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
    }
};

void BM_Timeout(benchmark::State& state) {
    auto host = std::make_shared<hostsim::SimulatedHost>(false);
    FtHandle = 0;
    SetFtdiBackend(std::make_shared<hostsim::SimFtdiDevice>(host));
    {
        clsUSBInterface link;
        const CpuShare share;
        for (auto _ : state) {
            host->DropNextReply();
            link.ReadInputs();
            if (link.LastOutcome() != ExchangeOutcome::Timeout) {
                state.SkipWithError("the exchange did not time out");
                break;
            }
        }
        share.Report(state);
    }
    SetFtdiBackend(nullptr);
}

// NovRamRead(0xD800, 128) over whatever backend is installed, once per
// iteration; an exchange that fails ends the benchmark with an error.
void ReadSiteRecords(benchmark::State& state) {
    FtHandle = 0;
    {
        clsUSBInterface link;
        const CpuShare share;
        for (auto _ : state) {
            benchmark::DoNotOptimize(link.NovRamRead(0xD800, 128));
            if (link.LastOutcome() != ExchangeOutcome::Ok) {
                state.SkipWithError("exchange failed");
                break;
            }
        }
        share.Report(state);
        state.SetItemsProcessed(state.iterations());
    }
    SetFtdiBackend(nullptr);
}

void BM_NovRamReadSim(benchmark::State& state) {
    auto host = std::make_shared<hostsim::SimulatedHost>(true);
    host->SetRecordRequests(false);
    SetFtdiBackend(std::make_shared<hostsim::SimFtdiDevice>(host));
    ReadSiteRecords(state);
}

void BM_NovRamReadSimWire(benchmark::State& state) {
    auto host = std::make_shared<hostsim::SimulatedHost>(true);
    host->SetRecordRequests(false);
    host->SetBaud(9600);
    SetFtdiBackend(std::make_shared<hostsim::SimFtdiDevice>(host));
    ReadSiteRecords(state);
}

void BM_NovRamReadPtyWire(benchmark::State& state) {
    Hostsim hostsim;
    if (!hostsim.Start({"--baud", "9600"})) {
        state.SkipWithError("orvane-hostsim did not start");
        return;
    }
    SetFtdiBackend(std::make_shared<platform::TtyDevice>(hostsim.path, 9600));
    ReadSiteRecords(state);
}

void BM_NovRamReadPty(benchmark::State& state) {
    Hostsim hostsim;
    if (!hostsim.Start()) {
        state.SkipWithError("orvane-hostsim did not start");
        return;
    }
    SetFtdiBackend(std::make_shared<platform::TtyDevice>(hostsim.path, 115200));
    ReadSiteRecords(state);
}

// The same request frame, written and its 143-byte reply read back directly
// on the serial device: what the pseudo-terminal and the host cost alone.
void BM_RoundTripPty(benchmark::State& state) {
    Hostsim hostsim;
    if (!hostsim.Start()) {
        state.SkipWithError("orvane-hostsim did not start");
        return;
    }
    platform::TtyDevice tty(hostsim.path, 115200);
    platform::FT_HANDLE handle = 0;
    if (tty.Open(0, handle) != platform::FT_OK) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    std::vector<std::uint8_t> frame{1, 15, 0, 1, 0, 0, 1, 0x00, 0xD8, 0, 0, 128, 0, 0, 0};
    const std::uint16_t crc = common::Crc16(frame);
    frame[13] = static_cast<std::uint8_t>(crc >> 8);
    frame[14] = static_cast<std::uint8_t>(crc & 0xFF);
    std::array<std::uint8_t, 256> reply{};
    for (auto _ : state) {
        std::uint32_t n = 0;
        tty.Write(handle, frame, n);
        std::size_t got = 0;
        while (got < 143) {
            tty.WaitForData(handle, static_cast<std::uint32_t>(143 - got), 100);
            std::uint32_t chunk = 0;
            if (tty.Read(handle, std::span(reply).subspan(got), chunk) != platform::FT_OK) {
                state.SkipWithError("read failed");
                break;
            }
            got += chunk;
        }
    }
    state.SetItemsProcessed(state.iterations());
    tty.Close(handle);
}

} // namespace

BENCHMARK(BM_Timeout)->Name("Timeout (500 ms wait)")->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NovRamReadSim)->Name("NovRamRead/sim")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NovRamReadPty)->Name("NovRamRead/pty")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundTripPty)->Name("RoundTrip/pty")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NovRamReadSimWire)
    ->Name("NovRamRead/sim@9600")
    ->Iterations(12)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NovRamReadPtyWire)
    ->Name("NovRamRead/pty@9600")
    ->Iterations(12)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hostsim") == 0 && i + 1 < argc) {
            g_hostsimPath = argv[i + 1];
            for (int k = i; k + 2 <= argc; ++k) {
                argv[k] = argv[k + 2];
            }
            argc -= 2;
            break;
        }
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
