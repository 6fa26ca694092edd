#include "platform/url_cache.h"

#include <cstring>
#include <memory>
#include <new>

namespace quorvane::platform {

std::uint32_t WriteUrlCacheEntry(UrlCacheEntryInfo* entry, std::uint32_t& size,
                                 std::u16string_view sourceUrlName, std::uint32_t type) {
    const std::size_t needed =
        sizeof(UrlCacheEntryInfo) + (sourceUrlName.size() + 1) * sizeof(char16_t);
    if (entry == nullptr || size < needed) {
        size = static_cast<std::uint32_t>(needed);
        return kCacheInsufficientBuffer;
    }
    auto* text = reinterpret_cast<char16_t*>(entry + 1);
    std::memcpy(text, sourceUrlName.data(), sourceUrlName.size() * sizeof(char16_t));
    text[sourceUrlName.size()] = u'\0';
    entry->cacheEntryType = type;
    entry->sourceUrlName = text;
    entry->sourceUrlNameLength = sourceUrlName.size();
    return kCacheOk;
}

void ClearUrlCache(UrlCache& cache) {
    // Storage for the record: operator new[] aligns for any fundamental type,
    // so the record can live at the start of the bytes.
    std::unique_ptr<unsigned char[]> buffer;
    std::uint32_t bufferSize = 0;
    std::uint32_t currentSize = kInitialEntryBufferSize;
    UrlCacheHandle handle = kNoUrlCacheHandle;
    UrlCacheEntryInfo* entry = nullptr;
    std::uint32_t result = kCacheInsufficientBuffer;

    for (;;) {
        if (result == kCacheInsufficientBuffer) {
            // A cache that asks for no more room than it already had would
            // have the walk retry forever.
            if (currentSize <= bufferSize || currentSize < sizeof(UrlCacheEntryInfo)) break;
            buffer.reset();
            buffer = std::make_unique<unsigned char[]>(currentSize);
            bufferSize = currentSize;
            entry = new (buffer.get()) UrlCacheEntryInfo{};
            entry->structSize = bufferSize;
            std::uint32_t size = bufferSize;
            result = handle == kNoUrlCacheHandle ? cache.FindFirst(entry, size, handle)
                                                 : cache.FindNext(handle, entry, size);
            if (result == kCacheInsufficientBuffer) currentSize = size;
        } else if (result == kCacheOk) {
            if ((entry->cacheEntryType & kCookieCacheEntry) == 0) {
                cache.DeleteEntry(
                    std::u16string_view(entry->sourceUrlName, entry->sourceUrlNameLength));
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
