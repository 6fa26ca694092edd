#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
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

// One entry record of the caches this program keeps itself (a browser
// profile's, test fakes). It sits at the start of a caller-owned buffer; the
// cache writes the texts the record points to into the rest of that buffer,
// which is why a long URL can make an entry need more than the buffer holds.
struct UrlCacheEntryInfo {
    std::uint32_t structSize = 0;  // the caller writes the buffer's size here
    std::uint32_t cacheEntryType = 0;
    const char16_t* sourceUrlName = nullptr;
    std::size_t sourceUrlNameLength = 0;
};

// What the walk reads and writes in a record; one specialisation per record
// type. The system's own record (Windows' INTERNET_CACHE_ENTRY_INFOW) has its
// specialisation beside its cache, in wininet_url_cache.h.
template <typename Record>
struct UrlCacheRecord;

template <>
struct UrlCacheRecord<UrlCacheEntryInfo> {
    static void SetStructSize(UrlCacheEntryInfo& entry, std::uint32_t size) {
        entry.structSize = size;
    }
    static std::uint32_t EntryType(const UrlCacheEntryInfo& entry) { return entry.cacheEntryType; }
    static std::u16string_view SourceUrlName(const UrlCacheEntryInfo& entry) {
        return {entry.sourceUrlName, entry.sourceUrlNameLength};
    }
};

// The web cache as an enumeration of entries written into records of type
// `Record`. `size` is in-out: it announces the buffer's size in bytes and,
// with kCacheInsufficientBuffer, comes back with the size the entry needs.
template <typename Record>
class BasicUrlCache {
  public:
    virtual ~BasicUrlCache() = default;
    // Opens an enumeration over every entry and reads the first. Only a
    // successful call opens a handle.
    virtual std::uint32_t FindFirst(Record* entry, std::uint32_t& size, UrlCacheHandle& handle) = 0;
    virtual std::uint32_t FindNext(UrlCacheHandle handle, Record* entry, std::uint32_t& size) = 0;
    // Deletes the entry with that source URL name; the outcome is of no interest.
    virtual void DeleteEntry(std::u16string_view sourceUrlName) = 0;
    virtual void Close(UrlCacheHandle handle) = 0;
};

using UrlCache = BasicUrlCache<UrlCacheEntryInfo>;

// For implementations: writes an entry record with its URL text into a buffer of
// `size` bytes starting at `entry`. When it does not fit, sets `size` to the
// bytes needed and returns kCacheInsufficientBuffer.
std::uint32_t WriteUrlCacheEntry(UrlCacheEntryInfo* entry, std::uint32_t& size,
                                 std::u16string_view sourceUrlName, std::uint32_t type);

// Deletes every entry of the cache except cookies. Entries that cannot be
// deleted are skipped; an enumeration error ends the walk early. The one walk
// for every cache: the record type only decides where the fields lie.
template <typename Record>
void ClearUrlCache(BasicUrlCache<Record>& cache) {
    using Fields = UrlCacheRecord<Record>;
    // Storage for the record: operator new[] aligns for any fundamental type,
    // so the record can live at the start of the bytes.
    std::unique_ptr<unsigned char[]> buffer;
    std::uint32_t bufferSize = 0;
    std::uint32_t currentSize = kInitialEntryBufferSize;
    UrlCacheHandle handle = kNoUrlCacheHandle;
    Record* entry = nullptr;
    std::uint32_t result = kCacheInsufficientBuffer;

    for (;;) {
        if (result == kCacheInsufficientBuffer) {
            // A cache that asks for no more room than it already had would
            // have the walk retry forever.
            if (currentSize <= bufferSize || currentSize < sizeof(Record)) break;
            buffer.reset();
            buffer = std::make_unique<unsigned char[]>(currentSize);
            bufferSize = currentSize;
            entry = new (buffer.get()) Record{};
            Fields::SetStructSize(*entry, bufferSize);
            std::uint32_t size = bufferSize;
            result = handle == kNoUrlCacheHandle ? cache.FindFirst(entry, size, handle)
                                                 : cache.FindNext(handle, entry, size);
            if (result == kCacheInsufficientBuffer) currentSize = size;
        } else if (result == kCacheOk) {
            if ((Fields::EntryType(*entry) & kCookieCacheEntry) == 0) {
                cache.DeleteEntry(Fields::SourceUrlName(*entry));
            }
            // The cache may have used the size field to say how much it wrote;
            // the buffer itself has not changed size.
            std::uint32_t size = bufferSize;
            result = cache.FindNext(handle, entry, size);
            if (result == kCacheInsufficientBuffer) currentSize = size;
        } else {
            break;
        }
    }
    buffer.reset();
    if (handle != kNoUrlCacheHandle) cache.Close(handle);
}

}  // namespace quorvane::platform
