#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvane::platform {

// Result codes of the cache enumeration, the values the system's error codes have.
inline constexpr std::uint32_t kCacheOk = 0;
inline constexpr std::uint32_t kCacheInsufficientBuffer = 122;
inline constexpr std::uint32_t kCacheNoMoreItems = 259;

// Entry type bit that marks a cookie.
inline constexpr std::uint32_t kCookieCacheEntry = 0x00100000;

// The first bytes the walk starts with; an entry that needs more says so.
inline constexpr std::uint32_t kInitialEntryBufferSize = 4096;

using UrlCacheHandle = std::uintptr_t;
inline constexpr UrlCacheHandle kNoUrlCacheHandle = 0;

// One entry record. It sits at the start of a caller-owned buffer; the cache
// writes the texts the record points to into the rest of that buffer, which is
// why a long URL can make an entry need more than the buffer holds.
struct UrlCacheEntryInfo {
    std::uint32_t structSize = 0;  // the caller writes the buffer's size here
    std::uint32_t cacheEntryType = 0;
    const char16_t* sourceUrlName = nullptr;
    std::size_t sourceUrlNameLength = 0;
};

// The web cache as an enumeration of entries. `size` is in-out: it announces
// the buffer's size in bytes and, with kCacheInsufficientBuffer, comes back
// with the size the entry needs.
class UrlCache {
  public:
    virtual ~UrlCache() = default;
    // Opens an enumeration over every entry and reads the first. Only a
    // successful call opens a handle.
    virtual std::uint32_t FindFirst(UrlCacheEntryInfo* entry, std::uint32_t& size,
                                    UrlCacheHandle& handle) = 0;
    virtual std::uint32_t FindNext(UrlCacheHandle handle, UrlCacheEntryInfo* entry,
                                   std::uint32_t& size) = 0;
    // Deletes the entry with that source URL name; the outcome is of no interest.
    virtual void DeleteEntry(std::u16string_view sourceUrlName) = 0;
    virtual void Close(UrlCacheHandle handle) = 0;
};

// For implementations: writes an entry record with its URL text into a buffer of
// `size` bytes starting at `entry`. When it does not fit, sets `size` to the
// bytes needed and returns kCacheInsufficientBuffer.
std::uint32_t WriteUrlCacheEntry(UrlCacheEntryInfo* entry, std::uint32_t& size,
                                 std::u16string_view sourceUrlName, std::uint32_t type);

// Deletes every entry of the cache except cookies. Entries that cannot be
// deleted are skipped; an enumeration error ends the walk early.
void ClearUrlCache(UrlCache& cache);

}  // namespace quorvane::platform
