// Load figures of the command server, each printed next to a bare ping-pong
// server measured in the same run with the same client where a comparison
// makes sense. Targets: round trip p50 <= 1.1x bare, messages/s on one
// connection >= 0.9x bare, stop with 1,000 live connections <= 10 ms, an
// unpaced burst of 5,000 connections all answered within 5 s, at most 4
// threads per server, at most 4 KB per idle connection.
//
// Linux only: the client and the bare server use POSIX sockets directly, so
// they cost the same whatever the server under test does.

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_server.h"
#include "command/command_server.h"
#include "command/descriptors.h"

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

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A descriptor closed on destruction.
struct Fd {
    explicit Fd(int value = -1) : fd(value) {}
    Fd(Fd&& other) noexcept : fd(other.fd) { other.fd = -1; }
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd, other.fd);
        return *this;
    }
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    int fd;
};

Fd ConnectBlocking(uint16_t port) {
    Fd s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = Loopback(port);
    if (s.fd < 0 || ::connect(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error(std::string("connect: ") + std::strerror(errno));
    }
    int on = 1;
    ::setsockopt(s.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

// The one client every figure uses: send a message, read until the reply's
// length has come.
bool RoundTrip(int fd, const std::string& message, size_t reply_size) {
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(message.size())) {
        return false;
    }
    char buffer[256];
    size_t got = 0;
    while (got < reply_size) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// A listener on a loopback port of the system's choosing.
Fd ListenLoopback(uint16_t& port) {
    Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    if (listener.fd < 0 ||
        ::bind(listener.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.fd, 15) != 0 ||
        ::getsockname(listener.fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("bare server cannot listen");
    }
    port = ntohs(address.sin_port);
    return listener;
}

// The references: one connection, a fixed reply per receive, nothing a real
// server could do less. The blocking one waits in recv itself; the readiness
// one waits in epoll_wait and then receives, which is the least any server
// that watches more than one socket from one thread has to do.
class BareServer {
  public:
    enum class Wait { kBlocking, kReadiness };

    explicit BareServer(Wait wait) : listener_(ListenLoopback(port_)) {
        thread_ = std::thread([this, wait] { Serve(wait); });
    }
    ~BareServer() {
        ::shutdown(listener_.fd, SHUT_RDWR);
        thread_.join();
    }
    uint16_t Port() const { return port_; }

  private:
    void Serve(Wait wait) {
        Fd connection(::accept4(listener_.fd, nullptr, nullptr, SOCK_CLOEXEC));
        if (connection.fd < 0) return;
        int on = 1;
        ::setsockopt(connection.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Fd poller(::epoll_create1(EPOLL_CLOEXEC));
        epoll_event interest{};
        interest.events = EPOLLIN;
        if (wait == Wait::kReadiness &&
            ::epoll_ctl(poller.fd, EPOLL_CTL_ADD, connection.fd, &interest) != 0) {
            return;
        }
        std::vector<char> buffer(32768);
        for (;;) {
            epoll_event event;
            if (wait == Wait::kReadiness && ::epoll_wait(poller.fd, &event, 1, -1) != 1) break;
            if (::recv(connection.fd, buffer.data(), buffer.size(), 0) <= 0) break;
            if (::send(connection.fd, "count:1", 7, MSG_NOSIGNAL) != 7) break;
        }
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

size_t ThreadCount() {
    size_t count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') ++count;
        }
        ::closedir(dir);
    }
    return count;
}

long ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

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
                if (!RoundTrip(clients[server].fd, Check(), 7)) {
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
        "                      epoll_wait and recv in place of one blocking recv;\n"
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
        accepted.emplace_back(::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC));
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
    Fd poller(::epoll_create1(EPOLL_CLOEXEC));
    std::vector<Fd> clients;
    std::vector<int> state(count, 0);  // 0 connecting, 1 sent, 2 answered
    clients.reserve(count);
    const auto start = Clock::now();
    for (size_t i = 0; i < count; ++i) {
        Fd s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (s.fd < 0) throw std::runtime_error("out of descriptors for the burst");
        sockaddr_in address = Loopback(port);
        if (::connect(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
            errno != EINPROGRESS) {
            throw std::runtime_error(std::string("connect: ") + std::strerror(errno));
        }
        epoll_event event{};
        event.events = EPOLLOUT | EPOLLIN;
        event.data.u64 = i;
        ::epoll_ctl(poller.fd, EPOLL_CTL_ADD, s.fd, &event);
        clients.push_back(std::move(s));
    }
    size_t answered = 0, failed = 0, within_1s = 0, within_3s = 0;
    Clock::time_point last_answer = start;
    const auto deadline = start + std::chrono::seconds(10);
    std::vector<epoll_event> events(256);
    while (answered + failed < count && Clock::now() < deadline) {
        int n = ::epoll_wait(poller.fd, events.data(), static_cast<int>(events.size()), 100);
        for (int k = 0; k < n; ++k) {
            const size_t i = events[k].data.u64;
            const int fd = clients[i].fd;
            if (state[i] == 0 && (events[k].events & EPOLLOUT)) {
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
                if (error != 0 || ::send(fd, Check().data(), Check().size(), MSG_NOSIGNAL) !=
                                      static_cast<ssize_t>(Check().size())) {
                    state[i] = 2;
                    ++failed;
                    ::epoll_ctl(poller.fd, EPOLL_CTL_DEL, fd, nullptr);
                    continue;
                }
                state[i] = 1;
                epoll_event event{};
                event.events = EPOLLIN;
                event.data.u64 = i;
                ::epoll_ctl(poller.fd, EPOLL_CTL_MOD, fd, &event);
            } else if (state[i] == 1 && (events[k].events & (EPOLLIN | EPOLLHUP | EPOLLERR))) {
                char buffer[64];
                ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
                if (got < 0 && errno == EAGAIN) continue;
                state[i] = 2;
                ::epoll_ctl(poller.fd, EPOLL_CTL_DEL, fd, nullptr);
                if (got >= 6 && std::memcmp(buffer, "count:", 6) == 0) {
                    ++answered;
                    last_answer = Clock::now();
                    if (last_answer - start < std::chrono::seconds(1)) ++within_1s;
                    if (last_answer - start < std::chrono::seconds(3)) ++within_3s;
                } else {
                    ++failed;
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
