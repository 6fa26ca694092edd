#include "platform/url_cache.h"

#include <cstring>

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

}  // namespace quorvane::platform
