#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <vector>

#include "platform/url_cache.h"

class QWebEngineProfile;

// A browser profile's web cache seen as the entry enumeration ClearUrlCache
// walks. Chromium's cache cannot be listed from Qt, so the whole HTTP cache is
// one entry, and every cookie of the profile is an entry of its own, marked as
// a cookie and never deleted.
//
// Clearing the HTTP cache (QWebEngineProfile::clearHttpCache) restarts the
// profile's network context once the cache is gone, which loses every cookie
// that lives only in memory: session cookies, and all cookies of an
// off-the-record profile. The cookie store reports no removals for them, so
// this object follows the store from its creation and puts the lost cookies
// back. Create it before the profile's first page loads, or session cookies
// set before then are not known.
class ProfileUrlCache : public QObject, public quorvane::platform::UrlCache {
  public:
    explicit ProfileUrlCache(QWebEngineProfile* profile, QObject* parent = nullptr);
    ~ProfileUrlCache() override;

    std::uint32_t FindFirst(quorvane::platform::UrlCacheEntryInfo* entry, std::uint32_t& size,
                            quorvane::platform::UrlCacheHandle& handle) override;
    std::uint32_t FindNext(quorvane::platform::UrlCacheHandle handle,
                           quorvane::platform::UrlCacheEntryInfo* entry,
                           std::uint32_t& size) override;
    // Deleting the HTTP cache entry clears the cache and returns once the
    // cookies are back, or after a few seconds at most; cookies are kept.
    void DeleteEntry(std::u16string_view sourceUrlName) override;
    void Close(quorvane::platform::UrlCacheHandle handle) override;

    // The source URL name of the entry that stands for the HTTP cache.
    QString HttpCacheEntryName() const;
    // The cookies the profile holds, as its cookie store has reported them.
    QList<QNetworkCookie> Cookies() const { return cookies_; }

  private:
    struct Entry {
        std::u16string name;
        std::uint32_t type;
    };
    struct Enumeration {
        std::vector<Entry> entries;
        std::size_t next = 0;
    };

    std::uint32_t Read(Enumeration& enumeration, quorvane::platform::UrlCacheEntryInfo* entry,
                       std::uint32_t& size);
    void ClearHttpCacheKeepingCookies();
    void OnCookieAdded(const QNetworkCookie& cookie);
    void OnCookieRemoved(const QNetworkCookie& cookie);
    void SetProbe(int value);

    QPointer<QWebEngineProfile> profile_;
    QList<QNetworkCookie> cookies_;
    std::map<quorvane::platform::UrlCacheHandle, Enumeration> enumerations_;
    quorvane::platform::UrlCacheHandle nextHandle_ = 1;

    // A cookie of our own that tells the old network context from the new one:
    // while the old one lives, setting it again replaces it (a removal, then
    // an addition); the new one starts without it, so it is only added.
    int probeSent_ = -1;
    int probeAdded_ = -1;
    int probeLastRemoved_ = -1;
    bool contextRestarted_ = false;
};
