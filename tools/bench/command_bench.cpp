// Figures to watch: "check" round trip p50 <= 30 us, >= 50k messages/s on one
// connection, stopCommandServer with 1000 live connections <= 10 ms, idle
// connections costing no CPU. command_load_bench sets these against a bare
// server measured in the same run.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "bench_server.h"
#include "command/command_server.h"
#include "command/descriptors.h"
#include "command/loopback_client.h"

namespace {

using quorvane::command::CommandActions;
using quorvane::command::CommandServer;
using quorvane::command::EncodeCommandText;
using quorvane::command::LoopbackClient;
using quorvane::command::ServerKind;
using quorvane::command::StartResult;

void WaitForLiveOrThrow(CommandServer& server, size_t count) {
    if (!WaitForLive(server, count)) throw std::runtime_error("connections did not arrive");
}

// The listen backlog is 15: a client thread that outruns the server's thread
// makes the kernel drop SYNs, and those clients retry only after a second or
// more. Connect in steps the server keeps up with; bursts are
// command_load_bench's business.
std::vector<std::unique_ptr<LoopbackClient>> ConnectClients(CommandServer& server, size_t count) {
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (size_t i = 0; i < count; ++i) {
        if (i % 10 == 0) WaitForLiveOrThrow(server, i);
        clients.push_back(std::make_unique<LoopbackClient>(server.ListeningPort()));
    }
    WaitForLiveOrThrow(server, count);
    return clients;
}

const std::string& CheckMessage() {
    static const std::string message = EncodeCommandText(u"check");
    return message;
}

void BM_CheckRoundTrip(benchmark::State& state) {
    BenchServer bench;
    LoopbackClient client(bench.server.ListeningPort());
    std::vector<double> micros;
    micros.reserve(1 << 20);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        client.Send(CheckMessage());
        std::string reply = client.ReceiveAtLeast(7, std::chrono::seconds(5));
        const auto end = std::chrono::steady_clock::now();
        if (reply != "count:1") {
            state.SkipWithError("wrong reply");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.SetItemsProcessed(static_cast<int64_t>(micros.size()));
}
BENCHMARK(BM_CheckRoundTrip)->MinTime(2.0)->UseRealTime();

void BM_StopWithLiveConnections(benchmark::State& state) {
    quorvane::command::RaiseDescriptorLimit();
    const auto count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        BenchServer bench;
        auto clients = ConnectClients(bench.server, count);
        const auto start = std::chrono::steady_clock::now();
        bench.server.Stop();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_StopWithLiveConnections)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_ThousandConcurrentClientsAnswered(benchmark::State& state) {
    quorvane::command::RaiseDescriptorLimit();
    constexpr size_t kClients = 1000;
    for (auto _ : state) {
        BenchServer bench;
        auto clients = ConnectClients(bench.server, kClients);
        for (auto& client : clients) client->Send(CheckMessage());
        size_t answered = 0;
        for (auto& client : clients) {
            std::string reply = client->ReceiveAtLeast(6, std::chrono::seconds(10));
            if (reply.rfind("count:", 0) == 0) ++answered;
        }
        state.counters["answered"] = static_cast<double>(answered);
        if (answered != kClients) state.SkipWithError("not every client was answered");
    }
}
BENCHMARK(BM_ThousandConcurrentClientsAnswered)->Iterations(3)->Unit(benchmark::kMillisecond);

// CPU time the whole process spends while 100 clients sit idle for 2 s.
void BM_IdleCpuWith100Clients(benchmark::State& state) {
    auto cpu_seconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    for (auto _ : state) {
        BenchServer bench;
        auto clients = ConnectClients(bench.server, 100);
        const double before = cpu_seconds();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["cpu_ms_in_2s"] = (cpu_seconds() - before) * 1000;
    }
}
BENCHMARK(BM_IdleCpuWith100Clients)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
