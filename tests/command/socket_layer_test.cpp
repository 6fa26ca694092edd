// The socket layer's contract, which the server's loop builds on, on both
// systems: the Winsock build must keep every promise the Linux one makes.

#include "command/socket_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "os_helpers.h"
#include "test_support.h"

namespace quorvane::command::net {
namespace {

using Clock = std::chrono::steady_clock;

// A connected loopback pair: `client` from Connect, `served` from Accept.
struct Pair {
    Pair() : listener(OpenListener("127.0.0.1", 0, 4)) {
        client = Connect("127.0.0.1", LocalPort(listener.Get()));
        int error = 0;
        for (int i = 0; i < 500 && !served; ++i) {
            served = Accept(listener.Get(), error);
            if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    Socket listener;
    Socket client;
    Socket served;
};

// The events of one Wait, as key -> what was reported.
std::string Describe(const PollEvent* events, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += *static_cast<const char*>(events[i].key);
        text += events[i].readable ? "r" : "";
        text += events[i].writable ? "w" : "";
        text += events[i].failed ? "f" : "";
        text += " ";
    }
    return text;
}

TEST(SocketLayerTest, PollerReportsWhatEachSocketWaitsFor) {
    Pair a, b;
    ASSERT_TRUE(a.served && b.served);
    static const char kA = 'a', kB = 'b';
    Poller poller;
    PollEvent events[Poller::kMaxEvents];
    poller.Add(a.served.Get(), const_cast<char*>(&kA), Interest::kRead);
    poller.Add(b.served.Get(), const_cast<char*>(&kB), Interest::kNone);
    EXPECT_EQ(poller.Wait(events, 0), 0u);  // nothing to read, b wants nothing

    SendAll(a.client.Get(), "x", 1);
    SendAll(b.client.Get(), "y", 1);
    size_t n = poller.Wait(events, 5000);
    EXPECT_EQ(Describe(events, n), "ar ");
    // Level-triggered: still there while unread.
    n = poller.Wait(events, 0);
    EXPECT_EQ(Describe(events, n), "ar ");

    poller.Modify(a.served.Get(), const_cast<char*>(&kA), Interest::kWrite);
    poller.Modify(b.served.Get(), const_cast<char*>(&kB), Interest::kRead);
    n = poller.Wait(events, 5000);
    std::string both = Describe(events, n);
    std::sort(both.begin(), both.end());
    EXPECT_EQ(both, "  abrw");

    // A peer that ends its side is reported to a reader, which then reads the end.
    poller.Modify(a.served.Get(), const_cast<char*>(&kA), Interest::kRead);
    poller.Modify(b.served.Get(), const_cast<char*>(&kB), Interest::kNone);
    char byte;
    ASSERT_EQ(ReceiveNow(a.served.Get(), &byte, 1), 1);
    ShutdownSending(a.client.Get());
    n = poller.Wait(events, 5000);
    ASSERT_EQ(n, 1u);
    EXPECT_TRUE(events[0].readable || events[0].failed);
    if (testing::RunningUnderWine()) {
        // Wine 8.0's WSAPoll reports the end of the stream as POLLHUP alone,
        // without POLLRDNORM; the loop answers a failure with a receive too.
        EXPECT_TRUE(events[0].failed && !events[0].readable);
    }
    EXPECT_EQ(ReceiveNow(a.served.Get(), &byte, 1), 0);
}

TEST(SocketLayerTest, ARemovedSocketsHandleCanComeBackForANewSocket) {
    static const char kOld = 'o', kNew = 'n';
    Poller poller;
    PollEvent events[Poller::kMaxEvents];
    Pair first;
    ASSERT_TRUE(first.served);
    const Handle handle = first.served.Get();
    poller.Add(handle, const_cast<char*>(&kOld), Interest::kRead);
    poller.Remove(handle);
    first.served.Reset();

    // Sockets opened now may get the closed one's number; whichever does is
    // a socket of its own to the poller, reported under its own key only.
    std::vector<Pair> pairs(4);
    for (Pair& pair : pairs) {
        ASSERT_TRUE(pair.served);
        poller.Add(pair.served.Get(), const_cast<char*>(&kNew), Interest::kRead);
        SendAll(pair.client.Get(), "z", 1);
    }
    size_t seen = 0;
    const auto deadline = Clock::now() + testing::kWait;
    while (seen < pairs.size() && Clock::now() < deadline) {
        const size_t n = poller.Wait(events, 100);
        for (size_t i = 0; i < n; ++i) {
            EXPECT_EQ(events[i].key, &kNew);
            ASSERT_TRUE(events[i].readable);
        }
        seen = n;
    }
    EXPECT_EQ(seen, pairs.size());
    for (Pair& pair : pairs) {
        poller.Remove(pair.served.Get());
        pair.served.Reset();
    }
    EXPECT_EQ(poller.Wait(events, 0), 0u);
}

TEST(SocketLayerTest, AWakeEventStaysRaisedForEveryWaiter) {
    WakeEvent wake;
    EXPECT_EQ(WaitReadable(kInvalidHandle, wake.Get(), 0), WaitResult::kTimeout);
    static const char kWake = 'w';
    Poller poller;
    PollEvent events[Poller::kMaxEvents];
    poller.Add(wake.Get(), const_cast<char*>(&kWake), Interest::kRead);

    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        wake.Raise();
    });
    EXPECT_EQ(WaitReadable(kInvalidHandle, wake.Get(), 5000), WaitResult::kWoken);
    raiser.join();
    wake.Raise();  // twice raised is still raised
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WaitReadable(kInvalidHandle, wake.Get(), 0), WaitResult::kWoken);
        EXPECT_EQ(Describe(events, poller.Wait(events, 0)), "wr ");
    }
    // A readable socket and the event: the event wins, as a stop must.
    Pair pair;
    ASSERT_TRUE(pair.served);
    SendAll(pair.client.Get(), "x", 1);
    EXPECT_EQ(WaitReadable(pair.served.Get(), wake.Get(), 5000), WaitResult::kWoken);
    EXPECT_EQ(WaitReadable(pair.served.Get(), kInvalidHandle, 5000), WaitResult::kReadable);
}

TEST(SocketLayerTest, WaitsWithNothingToWaitForLastTheirTimeout) {
    Poller poller;
    PollEvent events[Poller::kMaxEvents];
    auto start = Clock::now();
    EXPECT_EQ(poller.Wait(events, 60), 0u);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));
    start = Clock::now();
    EXPECT_EQ(WaitReadable(kInvalidHandle, kInvalidHandle, 60), WaitResult::kTimeout);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));
}

TEST(SocketLayerTest, ReceivingNeverWaitsAndSendingAllWaitsForRoom) {
    Pair pair;
    ASSERT_TRUE(pair.served);
    char buffer[16];
    // Neither end waits for bytes that are not there, the client's included.
    EXPECT_EQ(ReceiveNow(pair.served.Get(), buffer, sizeof buffer), -1);
    EXPECT_EQ(ReceiveNow(pair.client.Get(), buffer, sizeof buffer), -1);

    // Far more than the socket buffers hold: SendAll returns once the slow
    // reader has taken it all.
    const std::string sent(8 << 20, 's');
    std::string received;
    std::thread reader([&] {
        std::vector<char> chunk(65536);
        while (received.size() < sent.size()) {
            if (WaitReadable(pair.served.Get(), kInvalidHandle, 5000) != WaitResult::kReadable) {
                return;
            }
            const long n = ReceiveNow(pair.served.Get(), chunk.data(), chunk.size());
            if (n == 0) return;
            if (n > 0) received.append(chunk.data(), static_cast<size_t>(n));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    SendAll(pair.client.Get(), sent.data(), sent.size());
    reader.join();
    EXPECT_EQ(received.size(), sent.size());

    // SendNow takes what fits and says how much that was, never waiting.
    size_t taken = 0;
    for (int i = 0; i < 1000; ++i) {
        const size_t n = SendNow(pair.served.Get(), sent.data(), 1 << 20);
        if (n == 0) break;
        taken += n;
    }
    EXPECT_GT(taken, 0u);
    EXPECT_EQ(SendNow(pair.served.Get(), sent.data(), 1 << 20), 0u);
}

TEST(SocketLayerTest, ShuttingDownEndsBothDirectionsForThePeer) {
    Pair pair;
    ASSERT_TRUE(pair.served);
    ShutdownBoth(pair.served.Get());
    ASSERT_EQ(WaitReadable(pair.client.Get(), kInvalidHandle, 5000), WaitResult::kReadable);
    char byte;
    EXPECT_EQ(ReceiveNow(pair.client.Get(), &byte, 1), 0);
    EXPECT_THROW(SendNow(pair.served.Get(), "x", 1), SocketError);  // nothing goes out any more
}

TEST(SocketLayerTest, APeerThatResetsFailsTheNextReceive) {
    Pair pair;
    ASSERT_TRUE(pair.served);
    testing::SetAbortiveClose(pair.client.Get());
    pair.client.Reset();
    ASSERT_EQ(WaitReadable(pair.served.Get(), kInvalidHandle, 5000), WaitResult::kReadable);
    char byte;
    if (testing::RunningUnderWine()) {
        // Wine 8.0 sends the reset (a Linux peer's recv fails with
        // ECONNRESET) but reads a reset it receives as the end of the
        // stream: recv returns 0 where Windows fails with WSAECONNRESET
        // (10054). Only the next send fails, with 10054.
        EXPECT_EQ(ReceiveNow(pair.served.Get(), &byte, 1), 0);
        try {
            SendNow(pair.served.Get(), "x", 1);
            FAIL() << "a send on a reset connection must fail";
        } catch (const SocketError& e) {
            EXPECT_EQ(e.Code(), testing::ConnectionResetError()) << e.what();
        }
        return;
    }
    try {
        const long n = ReceiveNow(pair.served.Get(), &byte, 1);
        FAIL() << "a reset connection must fail the receive, got " << n;
    } catch (const SocketError& e) {
        EXPECT_TRUE(IsConnectionReset(e.Code())) << e.what();
        EXPECT_EQ(e.Code(), testing::ConnectionResetError());
    }
}

TEST(SocketLayerTest, SocketsAreNotInheritedAndRepliesAreNotHeldBack) {
    Pair pair;
    ASSERT_TRUE(pair.served);
    WakeEvent wake;
    for (Handle socket : {pair.listener.Get(), pair.client.Get(), pair.served.Get(), wake.Get()}) {
        EXPECT_FALSE(testing::IsInheritable(socket));
    }
    EXPECT_FALSE(testing::IsInheritable(OpenStream().Get()));
    EXPECT_TRUE(testing::HasNoDelay(pair.served.Get()));
    EXPECT_TRUE(testing::HasNoDelay(pair.client.Get()));
}

TEST(SocketLayerTest, ErrorsCarryTheSystemsCodeAndText) {
    testing::HeldPorts held = testing::HoldConsecutivePorts(1);
    ASSERT_FALSE(held.sockets.empty());
    try {
        OpenListener("127.0.0.1", held.first, 1);
        FAIL() << "a held port must be refused";
    } catch (const SocketError& e) {
        EXPECT_EQ(e.Code(), kErrorAddressInUse);
        EXPECT_TRUE(IsAddressRefused(e.Code()));
        const std::u16string prefix =
            u"Socket Error # " + platform::FromUtf8(std::to_string(e.Code()));
        EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
        if (testing::RunningUnderWine()) {
            // Wine 8.0 has no system text for WSAEADDRINUSE (10048):
            // FormatMessageW returns 0 for it, where Windows gives "Only one
            // usage of each socket address (protocol/network address/port)
            // is normally permitted."
            EXPECT_EQ(e.Message(), prefix);
        } else {
            EXPECT_GT(e.Message().size(), prefix.size() + 1) << e.what();
        }
    }
    // A code every system has a text for.
    const std::u16string reset = ErrorText(testing::ConnectionResetError());
    EXPECT_GT(reset.size(), std::u16string(u"Socket Error # 10054 ").size());
    EXPECT_EQ(reset.find_last_not_of(u"\r\n "), reset.size() - 1);  // no line break kept

    EXPECT_THROW(OpenListener("127.0.0.1.5", 0, 1), SocketError);
}

}  // namespace
}  // namespace quorvane::command::net
