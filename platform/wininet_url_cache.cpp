#include "platform/wininet_url_cache.h"

#include <string>

namespace quorvane::platform {
namespace {

HANDLE AsHandle(UrlCacheHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The error of a call that failed. One that failed without saying why must
// still end the walk, which would read a zero as an entry in the buffer.
std::uint32_t LastError() {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error;
}

}  // namespace

std::uint32_t WinInetUrlCache::FindFirst(INTERNET_CACHE_ENTRY_INFOW* entry, std::uint32_t& size,
                                         UrlCacheHandle& handle) {
    DWORD bytes = size;
    // No search pattern: every entry of every container, cookies included.
    const HANDLE found = FindFirstUrlCacheEntryW(nullptr, entry, &bytes);
    const std::uint32_t error = found == nullptr ? LastError() : kCacheOk;
    size = bytes;
    if (found == nullptr) return error;
    handle = reinterpret_cast<UrlCacheHandle>(found);
    return kCacheOk;
}

std::uint32_t WinInetUrlCache::FindNext(UrlCacheHandle handle, INTERNET_CACHE_ENTRY_INFOW* entry,
                                        std::uint32_t& size) {
    DWORD bytes = size;
    const BOOL found = FindNextUrlCacheEntryW(AsHandle(handle), entry, &bytes);
    const std::uint32_t error = found ? kCacheOk : LastError();
    size = bytes;
    return error;
}

void WinInetUrlCache::DeleteEntry(std::u16string_view sourceUrlName) {
    const std::wstring name(sourceUrlName.begin(), sourceUrlName.end());
    DeleteUrlCacheEntryW(name.c_str());
}

void WinInetUrlCache::Close(UrlCacheHandle handle) {
    FindCloseUrlCache(AsHandle(handle));
}

}  // namespace quorvane::platform
