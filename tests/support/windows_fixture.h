#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/session.h"
#include "tests/support/fake_browser_engine.h"
#include "tests/support/test_services.h"

// The three windows as start-up makes them, each browser on a fake engine.
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

    LauncherWindow* const launcher = session->launcher();
    GameWindow* const game = session->game();
    ClosingNotice* const notice = session->notice();
};
