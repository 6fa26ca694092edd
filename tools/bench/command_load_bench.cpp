// Load figures of the command server, each printed next to a bare ping-pong
// server measured in the same run with the same client where a comparison
// makes sense. Targets: round trip p50 <= 1.1x bare, messages/s on one
// connection >= 0.9x bare, stop with 1,000 live connections <= 10 ms, an
// unpaced burst of 5,000 connections all answered within 5 s, at most 4
// threads per server, at most 4 KB per idle connection.
//
// The client and the bare servers make plain socket calls (bench_os.h), so
// they cost the same whatever the server under test does; the burst's client
// waits through the command layer's poller, which is epoll on Linux.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_os.h"
#include "bench_server.h"
#include "command/command_server.h"
#include "command/descriptors.h"
#include "command/socket_layer.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorvane::command::CommandActions;
using quorvane::command::CommandServer;
using quorvane::command::ServerKind;
using quorvane::command::StartResult;

const std::string& Check() {
    static const std::string message = quorvane::command::EncodeCommandText(u"check");
    return message;
}

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

using bench_os::ConnectBlocking;
using bench_os::ListenLoopback;
using Fd = quorvane::command::net::Socket;
namespace net = quorvane::command::net;

// The one client every figure uses: send a message, read until the reply's
// length has come.
bool RoundTrip(net::Handle fd, const std::string& message, size_t reply_size) {
    if (bench_os::SendOnce(fd, message.data(), message.size()) !=
        static_cast<long>(message.size())) {
        return false;
    }
    char buffer[256];
    size_t got = 0;
    while (got < reply_size) {
        const long n = bench_os::ReceiveOnce(fd, buffer, sizeof buffer);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// The references: one connection, a fixed reply per receive, nothing a real
// server could do less. The blocking one waits in recv itself; the readiness
// one waits for readiness (epoll_wait, WSAPoll on Windows) and then receives,
// which is the least any server that watches more than one socket from one
// thread has to do.
class BareServer {
  public:
    enum class Wait { kBlocking, kReadiness };

    explicit BareServer(Wait wait) : listener_(ListenLoopback(port_)) {
        thread_ = std::thread([this, wait] { Serve(wait); });
    }
    ~BareServer() {
        bench_os::WakeAccept(listener_.Get(), port_);
        thread_.join();
    }
    uint16_t Port() const { return port_; }

  private:
    void Serve(Wait wait) {
        Fd connection = bench_os::AcceptOne(listener_.Get());
        if (!connection) return;
        bench_os::SetNoDelay(connection.Get());
        net::Poller poller;
        if (wait == Wait::kReadiness) {
            poller.Add(connection.Get(), &connection, net::Interest::kRead);
        }
        std::vector<char> buffer(32768);
        for (;;) {
            net::PollEvent events[net::Poller::kMaxEvents];
            if (wait == Wait::kReadiness && poller.Wait(events, -1) != 1) break;
            if (bench_os::ReceiveOnce(connection.Get(), buffer.data(), buffer.size()) <= 0) break;
            if (bench_os::SendOnce(connection.Get(), "count:1", 7) != 7) break;
        }
        poller.Remove(connection.Get());
    }

    uint16_t port_ = 0;
    Fd listener_;
    std::thread thread_;
};

// Connected in steps the server can take, so no connect waits for a
// retransmitted SYN: these figures are about idle connections, not bursts.
std::vector<Fd> ConnectIdle(CommandServer& server, size_t count) {
    std::vector<Fd> clients;
    clients.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (i % 10 == 0 && !WaitForLive(server, i)) throw std::runtime_error("clients stuck");
        clients.push_back(ConnectBlocking(server.ListeningPort()));
    }
    if (!WaitForLive(server, count)) throw std::runtime_error("clients stuck");
    return clients;
}

using bench_os::ResidentBytes;
using bench_os::ThreadCount;

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * (values.size() - 1))];
}

struct RoundTripFigures {
    std::vector<double> micros;
    double seconds = 0;
    double P50() const { return Percentile(micros, 0.5); }
    double Rate() const { return static_cast<double>(micros.size()) / seconds; }
};

// Round trips on one connection to each server, in rotating blocks so that a
// busy neighbour on the machine hits all alike.
void RoundTrips() {
    BareServer bare(BareServer::Wait::kBlocking);
    BareServer floor(BareServer::Wait::kReadiness);
    BenchServer ours;
    const Fd clients[] = {ConnectBlocking(bare.Port()), ConnectBlocking(floor.Port()),
                          ConnectBlocking(ours.server.ListeningPort())};
    RoundTripFigures figures[3];
    constexpr int kRounds = 6, kPerBlock = 4000;
    for (int round = 0; round <= kRounds; ++round) {  // round 0 warms up
        for (int server = 0; server < 3; ++server) {
            const auto block_start = Clock::now();
            std::vector<double> block;
            block.reserve(kPerBlock);
            for (int i = 0; i < kPerBlock; ++i) {
                const auto start = Clock::now();
                if (!RoundTrip(clients[server].Get(), Check(), 7)) {
                    throw std::runtime_error("round trip failed");
                }
                block.push_back(Millis(Clock::now() - start) * 1000);
            }
            if (round == 0) continue;
            figures[server].seconds += Millis(Clock::now() - block_start) / 1000;
            figures[server].micros.insert(figures[server].micros.end(), block.begin(), block.end());
        }
    }
    const RoundTripFigures &b = figures[0], &f = figures[1], &o = figures[2];
    std::printf("round trip p50        %8.1f us   bare %8.1f us   ratio %.2f  (target <= 1.10)\n",
                o.P50(), b.P50(), o.P50() / b.P50());
    std::printf("round trip p99        %8.1f us   bare %8.1f us\n", Percentile(o.micros, 0.99),
                Percentile(b.micros, 0.99));
    std::printf("messages/s, one conn  %8.0f      bare %8.0f      ratio %.2f  (target >= 0.90)\n",
                o.Rate(), b.Rate(), o.Rate() / b.Rate());
    std::printf(
        "  readiness floor     p50 %.1f us (%.2f of bare), %.0f messages/s (%.2f of bare):\n"
        "                      a readiness wait and recv in place of one blocking recv;\n"
        "                      ours against the floor: p50 %.2f, messages/s %.2f\n",
        f.P50(), f.P50() / b.P50(), f.Rate(), f.Rate() / b.Rate(), o.P50() / f.P50(),
        o.Rate() / f.Rate());
}

// What closing `count` accepted loopback connections costs the kernel alone:
// the floor under any server's stop.
double BareCloseMillis(size_t count) {
    uint16_t port = 0;
    Fd listener = ListenLoopback(port);
    std::vector<Fd> clients, accepted;
    for (size_t i = 0; i < count; ++i) {
        clients.push_back(ConnectBlocking(port));
        accepted.push_back(bench_os::AcceptOne(listener.Get()));
    }
    const auto start = Clock::now();
    accepted.clear();
    return Millis(Clock::now() - start);
}

void IdleConnections() {
    constexpr size_t kCount = 1000;
    const size_t threads_before = ThreadCount();
    std::vector<double> stops;
    for (int run = 0; run < 3; ++run) {
        BenchServer ours;
        const size_t threads_idle = ThreadCount();
        const long rss_before = ResidentBytes();
        auto clients = ConnectIdle(ours.server, kCount);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const long rss_after = ResidentBytes();
        const size_t threads_live = ThreadCount();
        if (run == 0) {
            std::printf(
                "threads per server    %8zu idle, %zu with %zu connections  (target <= 4)\n",
                threads_idle - threads_before, threads_live - threads_before, kCount);
            std::printf("memory per idle conn  %8.2f KB  (target <= 4)\n",
                        static_cast<double>(rss_after - rss_before) / kCount / 1024);
        }
        const auto start = Clock::now();
        ours.server.Stop();
        stops.push_back(Millis(Clock::now() - start));
    }
    std::vector<double> bare;
    for (int run = 0; run < 3; ++run) bare.push_back(BareCloseMillis(kCount));
    std::sort(stops.begin(), stops.end());
    std::sort(bare.begin(), bare.end());
    std::printf(
        "stop, %zu live conns  %8.2f ms median of 3 (max %.2f)   bare close %.2f ms  "
        "(target <= 10)\n",
        kCount, stops[1], stops[2], bare[1]);
}

// Every client connects at once (non-blocking), sends "check" once its
// connect completes and waits for the reply. A SYN the kernel drops because
// the backlog overflowed is retried after a second or more, which is what
// makes a slow-draining server miss the bound.
void Burst(size_t count) {
    BenchServer ours;
    const uint16_t port = ours.server.ListeningPort();
    net::Poller poller;
    std::vector<Fd> clients;
    std::vector<size_t> ids(count);    // the poller's key of each client
    std::vector<int> state(count, 0);  // 0 connecting, 1 sent, 2 answered
    clients.reserve(count);
    const auto start = Clock::now();
    for (size_t i = 0; i < count; ++i) {
        Fd s = bench_os::StartConnect(port);
        ids[i] = i;
        poller.Add(s.Get(), &ids[i], net::Interest::kWrite);
        clients.push_back(std::move(s));
    }
    // Done with a client: answered ones stay connected and quiet until the
    // end; failed ones go.
    auto finish = [&](size_t i, bool answer) {
        state[i] = 2;
        if (answer) {
            poller.Modify(clients[i].Get(), &ids[i], net::Interest::kNone);
        } else {
            poller.Remove(clients[i].Get());
            clients[i].Reset();
        }
    };
    size_t answered = 0, failed = 0, within_1s = 0, within_3s = 0;
    Clock::time_point last_answer = start;
    const auto deadline = start + std::chrono::seconds(10);
    std::vector<net::PollEvent> events(net::Poller::kMaxEvents);
    while (answered + failed < count && Clock::now() < deadline) {
        const size_t n = poller.Wait(events.data(), 100);
        for (size_t k = 0; k < n; ++k) {
            const size_t i = *static_cast<size_t*>(events[k].key);
            if (state[i] == 0 && (events[k].writable || events[k].failed)) {
                // The connect has ended; a failed one fails the send.
                bool sent = false;
                try {
                    sent = net::SendNow(clients[i].Get(), Check().data(), Check().size()) ==
                           Check().size();
                } catch (const std::exception&) {
                }
                if (!sent) {
                    ++failed;
                    finish(i, false);
                    continue;
                }
                state[i] = 1;
                poller.Modify(clients[i].Get(), &ids[i], net::Interest::kRead);
            } else if (state[i] == 1 && (events[k].readable || events[k].failed)) {
                char buffer[64];
                long got = 0;
                try {
                    got = net::ReceiveNow(clients[i].Get(), buffer, sizeof buffer);
                } catch (const std::exception&) {
                }
                if (got < 0) continue;  // nothing yet
                if (got >= 6 && std::memcmp(buffer, "count:", 6) == 0) {
                    ++answered;
                    finish(i, true);
                    last_answer = Clock::now();
                    if (last_answer - start < std::chrono::seconds(1)) ++within_1s;
                    if (last_answer - start < std::chrono::seconds(3)) ++within_3s;
                } else {
                    ++failed;
                    finish(i, false);
                }
            }
        }
    }
    std::printf(
        "burst of %zu          %8zu answered, %zu failed, last answer after %.0f ms  "
        "(target: all within 5000 ms)\n",
        count, answered, failed, Millis(last_answer - start));
    std::printf(
        "                      %8zu within 1 s, %zu within 3 s (the first two SYN "
        "retransmissions)\n",
        within_1s, within_3s);
}

}  // namespace

// No argument: every figure. Otherwise the names of the ones to run:
// roundtrip, idle, burst.
int main(int argc, char** argv) {
    quorvane::command::RaiseDescriptorLimit();
    auto wanted = [&](const char* name) {
        if (argc < 2) return true;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], name) == 0) return true;
        }
        return false;
    };
    try {
        if (wanted("roundtrip")) RoundTrips();
        if (wanted("idle")) IdleConnections();
        if (wanted("burst")) Burst(5000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "command_load_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
