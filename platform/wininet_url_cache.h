#pragma once

// The user's Windows Internet URL cache, for the walk in url_cache.h. Windows only.

#include <windows.h>
#include <wininet.h>

#include "platform/url_cache.h"

namespace quorvane::platform {

template <>
struct UrlCacheRecord<INTERNET_CACHE_ENTRY_INFOW> {
    static void SetStructSize(INTERNET_CACHE_ENTRY_INFOW& entry, std::uint32_t size) {
        entry.dwStructSize = size;
    }
    static std::uint32_t EntryType(const INTERNET_CACHE_ENTRY_INFOW& entry) {
        return entry.CacheEntryType;
    }
    static std::u16string_view SourceUrlName(const INTERNET_CACHE_ENTRY_INFOW& entry) {
        static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");
        if (entry.lpszSourceUrlName == nullptr) return {};
        return reinterpret_cast<const char16_t*>(entry.lpszSourceUrlName);
    }
};

// The enumeration, deletion and closing functions of WinINet's cache, with the
// system's error codes as results. The walk's buffer is handed to the system
// as it is, so the sizes the walk sees are the system's own.
class WinInetUrlCache : public BasicUrlCache<INTERNET_CACHE_ENTRY_INFOW> {
  public:
    std::uint32_t FindFirst(INTERNET_CACHE_ENTRY_INFOW* entry, std::uint32_t& size,
                            UrlCacheHandle& handle) override;
    std::uint32_t FindNext(UrlCacheHandle handle, INTERNET_CACHE_ENTRY_INFOW* entry,
                           std::uint32_t& size) override;
    void DeleteEntry(std::u16string_view sourceUrlName) override;
    void Close(UrlCacheHandle handle) override;
};

}  // namespace quorvane::platform
