#include "browser/render_crash_policy.h"

#include <gtest/gtest.h>

namespace {

TEST(RenderCrashPolicyTest, ReloadsAtMostOnceAMinute) {
    using std::chrono::seconds;
    const RenderCrashPolicy::Clock::time_point start{seconds(1000)};
    // Seconds after the first crash at which the page crashes again, and
    // whether each crash reloads it.
    const std::pair<int, bool> crashes[] = {
        {0, true}, {1, false}, {59, false}, {60, true}, {61, false}, {200, true}, {259, false},
    };
    RenderCrashPolicy policy;
    for (const auto& [at, reloads] : crashes)
        EXPECT_EQ(policy.shouldReload(start + seconds(at)), reloads) << "crash at +" << at << " s";
}

}  // namespace
