#include "platform/wininet_url_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// The walk of url_cache.h over the real WinINet cache of the Wine prefix,
// filled by the test with pages and cookies.

namespace {

using namespace quorvane::platform;

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::u16string U16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

// Stores an entry the way a browser does: a file the cache names, then the
// entry committed over it.
void AddEntry(const std::wstring& url, DWORD type) {
    wchar_t file[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryW(url.c_str(), 0, L"html", file, 0)) << GetLastError();
    std::ofstream(std::filesystem::path(file), std::ios::binary) << "<p>";
    const FILETIME never{};
    ASSERT_TRUE(
        CommitUrlCacheEntryW(url.c_str(), file, never, never, type, nullptr, 0, nullptr, nullptr))
        << GetLastError();
}

bool InCache(const std::wstring& url) {
    DWORD size = 0;
    if (GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size)) return true;
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// The real cache, with every call the walk makes written down.
class RecordingCache : public WinInetUrlCache {
  public:
    struct Call {
        bool first;
        std::uint32_t announced;
        std::uint32_t structSize;
        std::uint32_t result;
        std::uint32_t reported;
    };

    std::uint32_t FindFirst(INTERNET_CACHE_ENTRY_INFOW* entry, std::uint32_t& size,
                            UrlCacheHandle& handle) override {
        Call call{true, size, entry->dwStructSize, 0, 0};
        call.result = WinInetUrlCache::FindFirst(entry, size, handle);
        call.reported = size;
        calls.push_back(call);
        return call.result;
    }
    std::uint32_t FindNext(UrlCacheHandle handle, INTERNET_CACHE_ENTRY_INFOW* entry,
                           std::uint32_t& size) override {
        Call call{false, size, entry->dwStructSize, 0, 0};
        call.result = WinInetUrlCache::FindNext(handle, entry, size);
        call.reported = size;
        calls.push_back(call);
        return call.result;
    }
    void DeleteEntry(std::u16string_view url) override {
        deleted.emplace_back(url);
        WinInetUrlCache::DeleteEntry(url);
    }
    void Close(UrlCacheHandle handle) override {
        ++closed;
        WinInetUrlCache::Close(handle);
    }

    std::vector<Call> calls;
    std::vector<std::u16string> deleted;
    int closed = 0;
};

class WinInetUrlCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The walk empties the cache of whoever runs it; under Wine that is
        // the build's own prefix, on Windows it would be the user's.
        if (!RunningUnderWine())
            GTEST_SKIP() << "clears the Internet cache of the user running it: runs under Wine "
                            "with the build's private prefix only";
    }
};

// One test, not several: the cache is the prefix's, shared by whatever runs in
// it at the same time.
TEST_F(WinInetUrlCacheTest, CookiesStayEverythingElseGoes) {
    const std::wstring longUrl = L"http://cache.test/long?" + std::wstring(3000, L'a');
    const std::wstring longerUrl = L"http://cache.test/longer?" + std::wstring(5000, L'b');
    const std::vector<std::wstring> pages = {
        L"http://cache.test/index.html",
        L"http://cache.test/pic.png",
        L"http://cache.test/game.js?v=3",
        longUrl,
        longerUrl,
    };
    const std::vector<std::wstring> cookies = {
        L"Cookie:player@cache.test/",
        L"Cookie:player@other.test/game/",
    };
    for (const auto& url : pages) ASSERT_NO_FATAL_FAILURE(AddEntry(url, NORMAL_CACHE_ENTRY));
    for (const auto& url : cookies) ASSERT_NO_FATAL_FAILURE(AddEntry(url, COOKIE_CACHE_ENTRY));
    for (const auto& url : pages) ASSERT_TRUE(InCache(url));

    RecordingCache cache;
    ClearUrlCache(cache);

    for (const auto& url : pages) EXPECT_FALSE(InCache(url)) << U16(url).size() << " units";
    for (const auto& url : cookies) EXPECT_TRUE(InCache(url)) << U16(url).size() << " units";
    for (const auto& url : cookies) {
        EXPECT_EQ(std::count(cache.deleted.begin(), cache.deleted.end(), U16(url)), 0)
            << "a cookie was deleted";
    }
    EXPECT_EQ(cache.closed, 1);

    // The buffer: 4096 bytes first; every too-small answer is followed by the
    // same kind of call with exactly the size the cache asked for, which
    // every later call keeps; the walk ends at the first "no more items".
    ASSERT_FALSE(cache.calls.empty());
    EXPECT_TRUE(cache.calls.front().first);
    EXPECT_EQ(cache.calls.front().announced, 4096u);
    EXPECT_EQ(cache.calls.back().result, static_cast<std::uint32_t>(ERROR_NO_MORE_ITEMS));
    int growths = 0;
    std::uint32_t bufferSize = 4096;
    for (size_t i = 0; i < cache.calls.size(); ++i) {
        const auto& call = cache.calls[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(call.announced, bufferSize);
        if (call.result == ERROR_INSUFFICIENT_BUFFER) {
            ASSERT_LT(i + 1, cache.calls.size());
            EXPECT_GT(call.reported, bufferSize);
            EXPECT_EQ(cache.calls[i + 1].first, call.first);
            EXPECT_EQ(cache.calls[i + 1].structSize, call.reported) << "a fresh record";
            bufferSize = call.reported;
            ++growths;
        } else if (call.result != ERROR_SUCCESS) {
            EXPECT_EQ(i + 1, cache.calls.size()) << "a call after the walk's end";
        }
    }
    // The long URLs need about 6.7 and 10.7 kB: one growth at least, two when
    // the shorter of them comes first.
    EXPECT_GE(growths, 1);
    EXPECT_GT(bufferSize, 2 * 5000u);

    // Once only cookies are left, a second walk deletes nothing and needs no
    // more than the first 4096 bytes.
    RecordingCache again;
    ClearUrlCache(again);
    EXPECT_TRUE(again.deleted.empty());
    EXPECT_EQ(again.closed, 1);
    ASSERT_FALSE(again.calls.empty());
    for (const auto& call : again.calls) EXPECT_EQ(call.announced, 4096u);
    for (const auto& url : cookies) EXPECT_TRUE(InCache(url));
}

}  // namespace
