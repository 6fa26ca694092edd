#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/shared_values.h"
#include "game/form2.h"
#include "game/form3.h"
#include "launcher/form1.h"
#include "tests/support/fake_browser_engine.h"

// The three windows as start-up makes them, each browser on a fake engine.
class WindowsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        launcher = std::make_unique<TForm1>(Factory(&launcherEngine));
        Form1 = launcher.get();
        game = std::make_unique<TForm2>(Factory(&gameEngine));
        Form2 = game.get();
        notice = std::make_unique<TForm3>();
        Form3 = notice.get();
    }
    void TearDown() override {
        notice.reset();
        game.reset();
        launcher.reset();
        Form1 = nullptr;
        Form2 = nullptr;
        Form3 = nullptr;
    }

    static BrowserEngineFactory Factory(FakeBrowserEngine** out) {
        return [out](QWidget* parent) {
            auto engine = std::make_unique<FakeBrowserEngine>(parent);
            *out = engine.get();
            return engine;
        };
    }

    FakeBrowserEngine* launcherEngine = nullptr;
    FakeBrowserEngine* gameEngine = nullptr;
    std::unique_ptr<TForm1> launcher;
    std::unique_ptr<TForm2> game;
    std::unique_ptr<TForm3> notice;
};
