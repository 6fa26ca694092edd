// quorvane-cmd as a user runs it: a program of its own, talking to a game
// window's server in this process. Its arguments carry text beyond ASCII,
// which on Windows only the UTF-16 command line holds.

#include <gtest/gtest.h>

#include "command/command_server.h"
#include "os_helpers.h"
#include "test_support.h"

namespace quorvane::command {
namespace {

using testing::EventLog;
using testing::FakeActions;
using testing::kWait;

TEST(QuorvaneCmdTest, SendsCommandsWithTheirTextIntact) {
    uint16_t port = testing::FreeTestPort();
    EventLog log;
    FakeActions actions(log);
    CommandServer game(ServerKind::kGame, port, actions, [](std::u16string_view) {});
    ASSERT_EQ(game.Start(), StartResult::kStarted);
    const std::string port_text = std::to_string(game.ListeningPort());

    EXPECT_EQ(testing::RunProgram(QUORVANE_CMD_PATH, {"--port", port_text, "check"}), 0);
    EXPECT_EQ(testing::RunProgram(QUORVANE_CMD_PATH, {"--port", port_text, "showtip", "公告",
                                                      "今晚八点 攻城战开启！", "2"}),
              0);
    ASSERT_TRUE(log.WaitForCount(1, kWait));
    EXPECT_EQ(log.Events(), std::vector<std::u16string>{u"ShowTip(公告|今晚八点 攻城战开启！|2)"});

    // Refused before anything is sent, and nothing listens on the next port.
    EXPECT_EQ(
        testing::RunProgram(QUORVANE_CMD_PATH, {"--port", port_text, "showtip", "t", "x", "abc"}),
        1);
    game.Stop();
    EXPECT_EQ(testing::RunProgram(QUORVANE_CMD_PATH, {"--port", port_text, "check"}), 2);
    EXPECT_EQ(log.Events().size(), 1u);
}

}  // namespace
}  // namespace quorvane::command
