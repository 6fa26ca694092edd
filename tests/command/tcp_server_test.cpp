#include "command/tcp_server.h"

#include <gtest/gtest.h>

#include <thread>

#include "command/loopback_client.h"
#include "test_support.h"

namespace quorvane::command {
namespace {

using testing::EventLog;
using testing::kWait;

std::u16string Text(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A server on a free loopback port whose lifecycle handlers log to `log`.
struct Fixture {
    Fixture() {
        server.on_disconnect = [this](TcpConnection&) { log.Add(u"disconnect"); };
        server.on_exception = [this](TcpConnection&, const std::u16string& message) {
            log.Add(u"exception:" + message);
        };
        Binding& binding = server.AddBinding();
        binding.ip = "127.0.0.1";
        binding.port = testing::FreeTestPort();
    }
    EventLog log;
    TcpServer server;
};

TEST(TcpServerTest, FailedActivationThrowsAndStaysInactive) {
    testing::HeldPorts held = testing::HoldConsecutivePorts(1);
    ASSERT_FALSE(held.sockets.empty());
    TcpServer server;
    Binding& binding = server.AddBinding();
    binding.ip = "127.0.0.1";
    binding.port = held.first;
    try {
        server.SetActive(true);
        FAIL() << "binding a held port must fail";
    } catch (const SocketError& e) {
        EXPECT_EQ(e.Code(), net::kErrorAddressInUse);
    }
    EXPECT_FALSE(server.Active());

    server.ClearBindings();
    EXPECT_THROW(server.SetActive(true), Error);  // nothing to listen on
    EXPECT_FALSE(server.Active());
}

TEST(TcpServerTest, ConnectionPrimitivesBehaveAsTheHandlersExpect) {
    Fixture f;
    f.server.on_execute = [&](TcpConnection& c) {
        if (c.InputBufferSize() == 0) return;
        auto record = [&](const std::string& what) { f.log.Add(Text(what)); };
        record(c.ReadBytes(2));
        record("left " + std::to_string(c.InputBufferSize()));
        record(c.ReadBytes(3));
        try {
            c.ReadBytes(1);
            record("read past the end");
        } catch (const Error&) {
            record("nothing more to read");
        }
        c.Write("cd");
        c.Write("ef");
        c.Write("");
        c.Close();
        record(c.Connected() ? "connected" : "not connected");
        try {
            c.Write("x");
            record("wrote after close");
        } catch (const Error&) {
            record("write refused");
        }
    };
    f.server.SetActive(true);
    LoopbackClient client(f.server.ListeningPort());
    client.Send("hello");
    EXPECT_EQ(client.ReceiveUntilClosed(kWait), "cdef");
    ASSERT_TRUE(f.log.WaitForCount(7));
    EXPECT_EQ(f.log.Events(),
              (std::vector<std::u16string>{u"he", u"left 3", u"llo", u"nothing more to read",
                                           u"not connected", u"write refused", u"disconnect"}));
}

TEST(TcpServerTest, ReceivesInChunksOfAtMost32768Bytes) {
    Fixture f;
    std::mutex mutex;
    size_t total = 0;
    size_t largest = 0;
    f.server.on_execute = [&](TcpConnection& c) {
        const size_t size = c.InputBufferSize();
        if (size == 0) return;
        c.ReadBytes(size);
        std::lock_guard<std::mutex> lock(mutex);
        total += size;
        largest = std::max(largest, size);
    };
    f.server.SetActive(true);
    {
        LoopbackClient client(f.server.ListeningPort());
        client.Send(std::string(200000, 'z'));
        client.FinishSending();
        EXPECT_EQ(client.ReceiveUntilClosed(kWait), "");
    }
    ASSERT_TRUE(f.log.WaitForCount(1));  // the disconnect comes after the last execute
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(total, 200000u);
    EXPECT_LE(largest, TcpConnection::kReceiveChunk);
}

// "big" asks for more than the socket buffers take; anything else is echoed.
void BigOrEcho(TcpConnection& c) {
    if (c.InputBufferSize() == 0) return;
    const std::string message = c.ReadBytes(c.InputBufferSize());
    c.Write(message == "big" ? std::string(3 << 20, 'b') : message);
}

TEST(TcpServerTest, RepliesWaitForAPeerThatReadsLateWithoutHoldingUpOthers) {
    Fixture f;
    f.server.on_execute = BigOrEcho;
    f.server.SetActive(true);
    LoopbackClient late(f.server.ListeningPort());
    late.Send("big");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the reply is stuck by now

    LoopbackClient other(f.server.ListeningPort());
    other.Send("echo");
    EXPECT_EQ(other.ReceiveAtLeast(4, kWait), "echo");

    // The late reader gets every byte, then the answer to its next message.
    EXPECT_EQ(late.ReceiveAtLeast(3 << 20, kWait), std::string(3 << 20, 'b'));
    late.Send("next");
    EXPECT_EQ(late.ReceiveAtLeast(4, kWait), "next");
    EXPECT_TRUE(f.log.Events().empty());
}

TEST(TcpServerTest, APeerThatNeverReadsEndsOnlyItsOwnConnection) {
    Fixture f;
    f.server.on_execute = [&](TcpConnection& c) {
        if (c.InputBufferSize() == 0) return;
        const std::string message = c.ReadBytes(c.InputBufferSize());
        if (message != "flood") return c.Write(message);
        f.log.Add(u"writing");
        const std::string megabyte(1 << 20, 'w');
        // Far more than the server holds for a peer that reads nothing.
        for (int i = 0; i < 4096; ++i) c.Write(megabyte);
        f.log.Add(u"all written");
    };
    f.server.SetActive(true);
    LoopbackClient flooded(f.server.ListeningPort());
    flooded.Send("flood");
    ASSERT_TRUE(f.log.WaitForCount(3));
    EXPECT_EQ(f.log.Events(), (std::vector<std::u16string>{
                                  u"writing", u"disconnect",
                                  u"exception:Output buffer full: the peer does not read"}));

    LoopbackClient other(f.server.ListeningPort());
    other.Send("echo");
    EXPECT_EQ(other.ReceiveAtLeast(4, kWait), "echo");
    f.server.SetActive(false);  // the other's disconnect
    EXPECT_EQ(f.log.Events().size(), 4u);
}

TEST(TcpServerTest, AFailingHandlerEndsOnlyItsOwnConnection) {
    Fixture f;
    f.server.on_connect = [&](TcpConnection& c) {
        // The first connection's connect handler fails; the second one's works.
        if (f.server.Connections().Count() == 1 && f.log.Events().empty()) {
            throw Error(u"refused by the handler");
        }
        (void)c;
    };
    f.server.on_execute = [&](TcpConnection& c) {
        if (c.InputBufferSize() == 0) return;
        c.Write(c.ReadBytes(c.InputBufferSize()));
    };
    f.server.SetActive(true);
    LoopbackClient failing(f.server.ListeningPort());
    EXPECT_EQ(failing.ReceiveUntilClosed(kWait), "");
    ASSERT_TRUE(f.log.WaitForCount(2));
    EXPECT_EQ(f.log.Events(),
              (std::vector<std::u16string>{u"disconnect", u"exception:refused by the handler"}));

    LoopbackClient working(f.server.ListeningPort());
    working.Send("echo");
    EXPECT_EQ(working.ReceiveAtLeast(4, kWait), "echo");
}

}  // namespace
}  // namespace quorvane::command
