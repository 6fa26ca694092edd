#include "platform/url_cache.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quorvane::platform;

struct StoredEntry {
    std::u16string url;
    std::uint32_t type = 0;
};

// An in-memory cache that enumerates a fixed list, can fail at a chosen call
// and remembers every call the walk makes.
class FakeUrlCache : public UrlCache {
  public:
    struct Call {
        bool first;
        std::uint32_t announcedSize;
        std::uint32_t structSize;
    };

    explicit FakeUrlCache(std::vector<StoredEntry> entries) : entries_(std::move(entries)) {}

    std::uint32_t FindFirst(UrlCacheEntryInfo* entry, std::uint32_t& size,
                            UrlCacheHandle& handle) override {
        EXPECT_EQ(handle, kNoUrlCacheHandle);
        const std::uint32_t result = Read(true, entry, size);
        if (result == kCacheOk) handle = kHandle;
        return result;
    }
    std::uint32_t FindNext(UrlCacheHandle handle, UrlCacheEntryInfo* entry,
                           std::uint32_t& size) override {
        EXPECT_EQ(handle, kHandle);
        return Read(false, entry, size);
    }
    void DeleteEntry(std::u16string_view url) override { deleted.emplace_back(url); }
    void Close(UrlCacheHandle handle) override { closed.push_back(handle); }

    static constexpr UrlCacheHandle kHandle = 0x5150;
    std::optional<std::size_t> failAtEntry;  // reading this entry index fails
    std::uint32_t failure = 0;
    // Reported on success in the size field, as a cache may say how much it wrote.
    std::optional<std::uint32_t> sizeOnSuccess;

    std::vector<Call> calls;
    std::vector<std::u16string> deleted;
    std::vector<UrlCacheHandle> closed;

  private:
    std::uint32_t Read(bool first, UrlCacheEntryInfo* entry, std::uint32_t& size) {
        calls.push_back({first, size, entry->structSize});
        if (failAtEntry && *failAtEntry == next_) return failure;
        if (next_ >= entries_.size()) return kCacheNoMoreItems;
        const StoredEntry& stored = entries_[next_];
        const std::uint32_t result = WriteUrlCacheEntry(entry, size, stored.url, stored.type);
        if (result == kCacheOk) {
            ++next_;
            if (sizeOnSuccess) size = *sizeOnSuccess;
        }
        return result;
    }

    std::vector<StoredEntry> entries_;
    std::size_t next_ = 0;
};

// Bytes a record with this URL needs, as WriteUrlCacheEntry reports them.
std::uint32_t NeededFor(const std::u16string& url) {
    std::uint32_t size = 0;
    WriteUrlCacheEntry(nullptr, size, url, 0);
    return size;
}

std::vector<std::uint32_t> AnnouncedSizes(const FakeUrlCache& cache) {
    std::vector<std::uint32_t> sizes;
    for (const auto& call : cache.calls) sizes.push_back(call.announcedSize);
    return sizes;
}

TEST(ClearUrlCacheTest, EmptyCacheAsksOnceAndClosesNothing) {
    FakeUrlCache cache({});
    ClearUrlCache(cache);
    ASSERT_EQ(cache.calls.size(), 1u);
    EXPECT_TRUE(cache.calls[0].first);
    EXPECT_EQ(cache.calls[0].announcedSize, 4096u);
    EXPECT_EQ(cache.calls[0].structSize, 4096u);
    EXPECT_TRUE(cache.deleted.empty());
    EXPECT_TRUE(cache.closed.empty());
}

TEST(ClearUrlCacheTest, DeletesEverythingButCookiesAndClosesOnce) {
    FakeUrlCache cache({{u"http://h/index.html", 0},
                        {u"Cookie:user@h/", kCookieCacheEntry},
                        {u"http://h/pic.png", 0x1},
                        {u"Cookie:other@h/", kCookieCacheEntry | 0x1},
                        {u"http://h/game.js", 0x00200000}});
    ClearUrlCache(cache);
    EXPECT_EQ(cache.deleted,
              (std::vector<std::u16string>{u"http://h/index.html", u"http://h/pic.png",
                                           u"http://h/game.js"}));
    EXPECT_EQ(cache.closed, std::vector<UrlCacheHandle>{FakeUrlCache::kHandle});
    EXPECT_EQ(AnnouncedSizes(cache), std::vector<std::uint32_t>(6, 4096u));
}

TEST(ClearUrlCacheTest, LargeEntryGrowsTheBufferToExactlyTheReportedSize) {
    const std::u16string longUrl = u"http://h/" + std::u16string(3000, u'a');  // > 4096 bytes
    const std::u16string longerUrl = u"http://h/" + std::u16string(5000, u'b');
    const std::uint32_t big = NeededFor(longUrl);
    const std::uint32_t bigger = NeededFor(longerUrl);
    ASSERT_GT(big, 4096u);
    ASSERT_NE(big % 8, 0u) << "an uneven size shows whether the walk rounds";

    struct Case {
        const char* name;
        std::vector<StoredEntry> entries;
        std::vector<bool> first;
        std::vector<std::uint32_t> sizes;
        std::size_t deleted;
    };
    const Case cases[] = {
        {"first entry large: FindFirst retried, later entries reuse the buffer",
         {{longUrl, 0}, {u"http://h/a", 0}, {u"http://h/b", 0}},
         {true, true, false, false, false},
         {4096, big, big, big, big},
         3},
        {"later entry large: FindNext retried",
         {{u"http://h/a", 0}, {longUrl, 0}, {u"http://h/b", 0}},
         {true, false, false, false, false},
         {4096, 4096, big, big, big},
         3},
        {"grows twice, never back",
         {{longUrl, 0}, {u"http://h/a", 0}, {longerUrl, 0}, {u"http://h/b", 0}},
         {true, true, false, false, false, false, false},
         {4096, big, big, big, bigger, bigger, bigger},
         4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUrlCache cache(c.entries);
        ClearUrlCache(cache);
        std::vector<bool> first;
        for (const auto& call : cache.calls) {
            first.push_back(call.first);
            EXPECT_EQ(call.structSize, call.announcedSize);
        }
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(AnnouncedSizes(cache), c.sizes);
        EXPECT_EQ(cache.deleted.size(), c.deleted);
        if (cache.deleted.size() == c.entries.size()) {
            for (std::size_t i = 0; i < c.entries.size(); ++i)
                EXPECT_EQ(cache.deleted[i], c.entries[i].url);
        }
        EXPECT_EQ(cache.closed.size(), 1u);
    }
}

TEST(ClearUrlCacheTest, SizeReportedOnSuccessDoesNotShrinkWhatIsAnnounced) {
    FakeUrlCache cache({{u"http://h/a", 0}, {u"http://h/b", 0}});
    cache.sizeOnSuccess = 100;
    ClearUrlCache(cache);
    EXPECT_EQ(AnnouncedSizes(cache), (std::vector<std::uint32_t>{4096, 4096, 4096}));
    EXPECT_EQ(cache.deleted.size(), 2u);
}

TEST(ClearUrlCacheTest, EnumerationErrorStopsEarly) {
    struct Case {
        const char* name;
        std::size_t failAt;
        std::size_t deleted;
        std::size_t closed;
    };
    const Case cases[] = {
        {"first call fails: no handle to close", 0, 0, 0},
        {"fails after two entries: those stay deleted", 2, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUrlCache cache(
            {{u"http://h/a", 0}, {u"http://h/b", 0}, {u"http://h/c", 0}, {u"http://h/d", 0}});
        cache.failAtEntry = c.failAt;
        cache.failure = 5;  // access denied
        ClearUrlCache(cache);
        EXPECT_EQ(cache.deleted.size(), c.deleted);
        EXPECT_EQ(cache.closed.size(), c.closed);
        EXPECT_EQ(cache.calls.size(), c.failAt + 1) << "no call after the error";
    }
}

// A cache that keeps saying "too small" without asking for more room.
class StubbornCache : public UrlCache {
  public:
    std::uint32_t FindFirst(UrlCacheEntryInfo*, std::uint32_t& size, UrlCacheHandle&) override {
        ++calls;
        size = reported;
        return kCacheInsufficientBuffer;
    }
    std::uint32_t FindNext(UrlCacheHandle, UrlCacheEntryInfo*, std::uint32_t&) override {
        ADD_FAILURE() << "no handle was opened";
        return kCacheNoMoreItems;
    }
    void DeleteEntry(std::u16string_view) override { ADD_FAILURE(); }
    void Close(UrlCacheHandle) override { ADD_FAILURE(); }
    std::uint32_t reported = 0;
    int calls = 0;
};

TEST(ClearUrlCacheTest, TooSmallWithoutAskingForMoreEndsTheWalk) {
    for (std::uint32_t reported : {0u, 16u, 4096u}) {
        StubbornCache cache;
        cache.reported = reported;
        ClearUrlCache(cache);
        EXPECT_EQ(cache.calls, 1) << reported;
    }
}

}  // namespace
