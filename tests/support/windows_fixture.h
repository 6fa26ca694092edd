#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/session.h"
#include "tests/support/fake_browser_engine.h"
#include "tests/support/test_services.h"

// The three windows as start-up makes them, each browser on a fake engine.
// The windows and the shared values carry the names the code gives them.
class WindowsFixture : public ::testing::Test {
  protected:
    static BrowserEngineFactory Factory(FakeBrowserEngine** out) {
        return [out](QWidget* parent) {
            auto engine = std::make_unique<FakeBrowserEngine>(parent);
            *out = engine.get();
            return engine;
        };
    }

    TestServices services;
    FakeBrowserEngine* launcherEngine = nullptr;
    FakeBrowserEngine* gameEngine = nullptr;
    std::unique_ptr<Session> session =
        std::make_unique<Session>(services, Factory(&launcherEngine), Factory(&gameEngine));

    TForm1* const launcher = session->Form1.get();
    TForm2* const game = session->Form2.get();
    TForm3* const notice = session->Form3.get();
    TForm1* const Form1 = launcher;
    TForm2* const Form2 = game;
    TForm3* const Form3 = notice;
    std::int32_t& PlatformId = session->Values.PlatformId;
    bool& FirstBlankPending = session->Values.FirstBlankPending;
    std::int32_t& ExitTicks = session->Values.ExitTicks;
    std::int32_t& NoticeSeconds = session->Values.NoticeSeconds;
};
