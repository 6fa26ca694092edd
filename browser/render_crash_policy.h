#pragma once

#include <chrono>
#include <optional>

// Whether a page whose render process died is loaded again. A renderer that
// keeps crashing on the same page must not turn the window into a reload
// loop, so one reload a minute is the most a window gets.
class RenderCrashPolicy {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kMinimumGap{60};

    // Called once per abnormal end; true when the page is to be reloaded now.
    bool shouldReload(Clock::time_point now) {
        if (m_lastReload && now - *m_lastReload < kMinimumGap) return false;
        m_lastReload = now;
        return true;
    }

  private:
    std::optional<Clock::time_point> m_lastReload;
};
