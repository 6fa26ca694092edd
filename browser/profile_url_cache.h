#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <map>
#include <string_view>
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
//
// All of that takes the cookie store and the network service several round
// trips, so a clear runs in the background: deleting the HTTP cache entry only
// starts it, isClearing() holds until the cookies are back, and clearFinished
// ends it. Pages loaded before then may miss their session cookies.
class ProfileUrlCache : public QObject, public quorvane::platform::UrlCache {
    Q_OBJECT

  public:
    explicit ProfileUrlCache(QWebEngineProfile* profile, QObject* parent = nullptr);
    // Destroyed while clearing, it stops following the clear and emits
    // nothing; session cookies lost by then stay lost.
    ~ProfileUrlCache() override;

    std::uint32_t FindFirst(quorvane::platform::UrlCacheEntryInfo* entry, std::uint32_t& size,
                            quorvane::platform::UrlCacheHandle& handle) override;
    std::uint32_t FindNext(quorvane::platform::UrlCacheHandle handle,
                           quorvane::platform::UrlCacheEntryInfo* entry,
                           std::uint32_t& size) override;
    // Deleting the HTTP cache entry starts a clear that keeps the cookies and
    // returns at once. While a clear runs, another delete of that entry is
    // ignored: the running one empties the cache all the same, and a second
    // clearHttpCache would restart the network context again in the middle of
    // putting the cookies back.
    void DeleteEntry(std::u16string_view sourceUrlName) override;
    void Close(quorvane::platform::UrlCacheHandle handle) override;

    // True from the start of a clear until just before clearFinished.
    bool isClearing() const { return m_phase != Phase::Idle; }
    // The source URL name of the entry that stands for the HTTP cache.
    QString httpCacheEntryName() const;
    // The cookies the profile holds, as its cookie store has reported them.
    QList<QNetworkCookie> cookies() const { return m_cookies; }

  signals:
    // Once per clear, never from within DeleteEntry: when the cookies are
    // back, when the time for them is up, or at once when the profile is
    // destroyed. A receiver may delete this object, preferably with deleteLater.
    void clearFinished();

  private:
    struct Entry {
        std::u16string name;
        std::uint32_t type;
    };
    struct Enumeration {
        std::vector<Entry> entries;
        std::size_t next = 0;
    };
    enum class Phase {
        Idle,
        // Checking that the probe is answered at all.
        Probing,
        // Cache cleared; waiting for the probe to land in a new context.
        AwaitingRestart,
        // Cache cleared without a working probe; the restart is only waited out.
        WaitingOut,
        // Cookies set again; waiting for the store to report them.
        Restoring,
    };

    std::uint32_t Read(Enumeration& enumeration, quorvane::platform::UrlCacheEntryInfo* entry,
                       std::uint32_t& size);
    void startClear();
    void clearHttpCache(bool probeWorks);
    void probeAgain();
    void restoreCookies();
    void onDeadline();
    void finish();
    void onCookieAdded(const QNetworkCookie& cookie);
    void onCookieRemoved(const QNetworkCookie& cookie);
    void setProbe(int value);

    QPointer<QWebEngineProfile> m_profile;
    QList<QNetworkCookie> m_cookies;
    std::map<quorvane::platform::UrlCacheHandle, Enumeration> m_enumerations;
    quorvane::platform::UrlCacheHandle m_nextHandle = 1;

    Phase m_phase = Phase::Idle;
    // Ends the current phase when its answer does not come.
    QTimer m_deadline;
    // Paces the probes while the restart is awaited.
    QTimer m_probeTimer;
    QElapsedTimer m_sinceProbeSent;
    // The cookies set again that the store has not reported back yet.
    QList<QNetworkCookie> m_unconfirmed;

    // A cookie of our own that tells the old network context from the new one:
    // while the old one lives, setting it again replaces it (a removal, then
    // an addition); the new one starts without it, so it is only added.
    int m_probeSent = -1;
    int m_probeAdded = -1;
    int m_probeLastRemoved = -1;
    bool m_contextRestarted = false;
};
