// The command server under load: bursts, idle crowds, running out of
// descriptors, peers that reset. Counts shrink under sanitizers.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <dirent.h>
#include <sys/resource.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "command/command_server.h"
#include "command/descriptors.h"
#include "command/loopback_client.h"
#include "os_helpers.h"
#include "platform/code_page.h"
#include "test_support.h"

namespace quorvane::command {
namespace {

using testing::EventLog;
using testing::FakeActions;
using testing::kWait;
using testing::LoadCount;
using testing::StartsWith;

struct Launcher {
    Launcher()
        : port(testing::FreeTestPort()), actions(log), server(kind, port, actions, log.Sink()) {}
    ServerKind kind = ServerKind::kLauncher;
    uint16_t port;
    EventLog log;
    FakeActions actions;
    CommandServer server;
};

const std::string& Check() {
    static const std::string message = EncodeCommandText(u"check");
    return message;
}

bool IsCountReply(const std::string& reply) {
    return reply.size() > 6 && reply.compare(0, 6, "count:") == 0;
}

// Each load test needs two descriptors per connection in this one process.
void NeedDescriptors(size_t count) {
    if (RaiseDescriptorLimit() < count + 200) GTEST_SKIP() << "descriptor limit too low";
}

size_t LiveCount(CommandServer& server) {
    ConnectionList& list = server.Component().Connections();
    std::lock_guard<ConnectionList> lock(list);
    return list.Count();
}

// Waits until the server has taken `count` connections. Tests that are not
// about bursts connect in such steps: a client that outruns the backlog
// waits a second for each connection the kernel drops.
bool WaitForLive(CommandServer& server, size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    while (LiveCount(server) < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// Opens `count` connections at once, none waiting for another, sends "check"
// on each as soon as it is connected and returns how many were answered.
// Connections the backlog could not take are retried by the kernel a second
// or more later, so `limit` only bounds a hang.
size_t AnsweredOfBurst(uint16_t port, size_t count, std::chrono::seconds limit) {
    std::vector<net::Socket> sockets;
    std::vector<testing::Readiness> waits;
    for (size_t i = 0; i < count; ++i) {
        net::Socket socket = testing::StartConnect(port);
        if (!socket) return 0;
        waits.push_back({socket.Get(), true, false});
        sockets.push_back(std::move(socket));
    }
    size_t answered = 0, done = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (done < count && std::chrono::steady_clock::now() < deadline) {
        if (testing::WaitForAny(waits, 100) == 0) continue;
        for (testing::Readiness& wait : waits) {
            if (!wait.ready) continue;
            if (wait.for_writing) {  // connected, or failed
                bool sent = false;
                try {
                    sent =
                        net::SendNow(wait.handle, Check().data(), Check().size()) == Check().size();
                } catch (const SocketError&) {
                }
                wait.for_writing = false;
                if (sent) continue;
            } else {
                char reply[64];
                long n = 0;
                try {
                    n = net::ReceiveNow(wait.handle, reply, sizeof reply);
                } catch (const SocketError&) {
                }
                if (n < 0) continue;  // nothing yet after all
                answered += n > 0 && IsCountReply(std::string(reply, static_cast<size_t>(n)));
            }
            wait.handle = net::kInvalidHandle;  // waited for no more
            ++done;
        }
    }
    return answered;
}

TEST(CommandServerLoadTest, AnUnpacedBurstIsAnsweredInFull) {
    const size_t count = LoadCount(2000, 300);
    NeedDescriptors(2 * count);
    // The clients stand for pages in other processes. A client thread that
    // runs while the server's thread waits for a processor (another program
    // has it, or the client itself at normal priority) fills any backlog of 15
    // within microseconds, and what the kernel drops then comes back in waves
    // a second and more apart. On one processor with the clients at idle
    // priority, the server's thread runs whenever it has work, so what is
    // measured is the server's draining, not the scheduler.
    testing::OneProcessor one_processor;
    Launcher launcher;
    ASSERT_EQ(launcher.server.Start(), StartResult::kStarted);
    size_t answered = 0;
    std::thread clients([&] {
        testing::RunAtIdlePriority();
        answered =
            AnsweredOfBurst(launcher.server.ListeningPort(), count, std::chrono::seconds(30));
    });
    clients.join();
    EXPECT_EQ(answered, count);
}

TEST(CommandServerLoadTest, IdleClientsNeitherHoldUpOthersNorCostThreads) {
    const size_t idle = LoadCount(1000, 200);
    NeedDescriptors(2 * idle);
    Launcher launcher;
    ASSERT_EQ(launcher.server.Start(), StartResult::kStarted);
    const size_t threads = testing::ThreadCount();
    std::vector<std::unique_ptr<LoopbackClient>> crowd;
    for (size_t i = 0; i < idle; ++i) {
        if (i % 10 == 0) {
            ASSERT_TRUE(WaitForLive(launcher.server, i));
        }
        crowd.push_back(std::make_unique<LoopbackClient>(launcher.server.ListeningPort()));
    }
    LoopbackClient active = LoopbackClient(launcher.server.ListeningPort());
    for (int round = 0; round < 3; ++round) {
        active.Send(Check());
        EXPECT_EQ(active.ReceiveAtLeast(5, kWait), "count:" + std::to_string(idle + 1));
    }
    EXPECT_EQ(testing::ThreadCount(), threads);

    launcher.server.Stop();
    EXPECT_EQ(launcher.log.Events().size(), idle + 1);  // a disconnect notice each
    for (auto& client : crowd) ASSERT_EQ(client->Receive(kWait), std::string());
}

TEST(CommandServerLoadTest, PeersThatResetLeaveTheServerServing) {
    const size_t count = LoadCount(500, 100);
    NeedDescriptors(count);
    Launcher launcher;
    ASSERT_EQ(launcher.server.Start(), StartResult::kStarted);
    auto disconnects = [&] {
        size_t n = 0;
        for (const auto& event : launcher.log.Events()) {
            n += StartsWith(event, kLauncherDisconnectedNotice);
        }
        return n;
    };
    for (size_t i = 0; i < count; ++i) {
        // Ten at a time, each ten once the server has seen every earlier one
        // go: resets, not the backlog, are what this is about.
        if (i % 10 == 0) {
            const auto deadline = std::chrono::steady_clock::now() + kWait;
            while (disconnects() < i && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        net::Socket socket = net::Connect(kLoopbackAddress, launcher.server.ListeningPort());
        if (i % 2 == 0) net::SendAll(socket.Get(), Check().data(), Check().size());
        testing::SetAbortiveClose(socket.Get());  // the close sends a reset
    }
    // Every reset connection leaves the list; a newcomer is then alone.
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    while (reply != "count:1" && std::chrono::steady_clock::now() < deadline) {
        LoopbackClient client(launcher.server.ListeningPort());
        client.Send(Check());
        reply = client.ReceiveAtLeast(7, kWait);
    }
    EXPECT_EQ(reply, "count:1");
    // Each reset connection was reported gone (the newcomers too); nothing
    // else was reported but the resets as connection exceptions.
    std::string others;
    for (const auto& event : launcher.log.Events()) {
        if (!StartsWith(event, kLauncherDisconnectedNotice) && !StartsWith(event, kExceptionNotice))
            others += quorvane::platform::ToUtf8(event) + "\n";
    }
    EXPECT_GE(disconnects(), count);
    EXPECT_EQ(others, "");
}

// Linux only, like the shedding it tests: a process there has a descriptor
// limit, which the test lowers until accept fails for want of descriptors,
// and a spare descriptor given up makes room to shed a pending connection.
// Windows has no per-process limit on sockets (they are handles, bounded by
// memory), so nothing makes accept run out there on demand; its socket layer
// opens no spare and the server pauses accepting instead.
#ifndef _WIN32
double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs in a child process of its own, whose descriptor limit it lowers.
// Returns what went wrong, nullptr when all went well; everything it opened
// is closed again when it returns.
const char* ShedWhileOutOfDescriptors() {
    Launcher launcher;
    if (launcher.server.Start() != StartResult::kStarted) return "no start";
    const uint16_t port = launcher.server.ListeningPort();
    // One round trip first: the server's thread and the paths it takes run
    // once while descriptors are plenty, since sanitizer runtimes open some
    // of their own the first time round. It stays connected, so no close
    // frees a descriptor behind the test's back.
    LoopbackClient warm_up(port);
    warm_up.Send(Check());
    if (warm_up.ReceiveAtLeast(7, kWait) != "count:1") return "no warm-up reply";
    std::vector<net::Socket> unconnected;
    for (int i = 0; i < 3; ++i) unconnected.push_back(net::OpenStream());

    // Every descriptor the lowered limit allows is taken.
    int highest = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (dirent* entry = ::readdir(dir)) {
            highest = std::max(highest, std::atoi(entry->d_name));
        }
        ::closedir(dir);
    }
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(highest) + 1;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return "cannot lower the limit";
    std::vector<net::Socket> filler;
    for (net::Socket s = net::OpenReserve(); s; s = net::OpenReserve()) {
        filler.push_back(std::move(s));
    }

    // Both are taken off the backlog and closed, not left queued. They stay
    // open here: each holds a descriptor of this process.
    std::vector<std::unique_ptr<LoopbackClient>> shed;
    for (int i = 0; i < 2; ++i) {
        shed.push_back(std::make_unique<LoopbackClient>(std::move(unconnected[i]), port));
        if (shed.back()->Receive(kWait) != std::string()) return "a client was not shed";
    }
    const double cpu_before = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (CpuSeconds() - cpu_before > 0.15) return "the server spins while out of descriptors";

    // Room again: one for the connection, a few for what the protocol's
    // text conversion opens. The limit goes up rather than fillers being
    // closed: how many gaps there were to fill depends on what ran before.
    limit.rlim_cur += 8;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return "cannot raise the limit";
    LoopbackClient served(std::move(unconnected[2]), port);
    served.Send(Check());
    if (served.ReceiveAtLeast(7, kWait) != "count:2") {
        return "no reply once descriptors were free";
    }

    const auto events = launcher.log.Events();
    const std::u16string exhausted = std::u16string(kListenExceptionNotice) + u"Socket Error # 24";
    if (events.size() != 1 || !StartsWith(events[0], exhausted)) return "not one listen notice";
    return nullptr;
}

// Exits 0 having written "shed and served", or 1 with what went wrong. The
// limit goes back up first: a leak checker at exit needs descriptors too.
[[noreturn]] void ShedInChild() {
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const char* failure = ShedWhileOutOfDescriptors();
    ::setrlimit(RLIMIT_NOFILE, &saved);
    std::fprintf(stderr, "%s\n", failure != nullptr ? failure : "shed and served");
    std::exit(failure != nullptr ? 1 : 0);
}

TEST(CommandServerLoadTest, ConnectionsAreShedWhileDescriptorsRunOut) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ShedInChild(), ::testing::ExitedWithCode(0), "shed and served");
}
#endif

}  // namespace
}  // namespace quorvane::command
