#include "browser/profile_url_cache.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <functional>

namespace {

using quorvane::platform::kCacheNoMoreItems;
using quorvane::platform::kCacheOk;
using quorvane::platform::kCookieCacheEntry;
using quorvane::platform::UrlCacheEntryInfo;
using quorvane::platform::UrlCacheHandle;

const QByteArray kProbeName = QByteArrayLiteral("quorvane-cache-probe");
const QString kProbeHost = QStringLiteral("cache-probe.quorvane.invalid");

// Cookie and cache operations answer asynchronously; these bound every wait
// so the launcher, which shows the busy cursor meanwhile, always gets back.
constexpr int kProbeAnswerMs = 2000;
constexpr int kCacheClearMs = 8000;
constexpr int kProbeResendMs = 250;
constexpr int kRestoreMs = 2000;
constexpr int kPollMs = 20;

bool IsProbe(const QNetworkCookie& cookie) {
    return cookie.name() == kProbeName && cookie.domain().endsWith(kProbeHost);
}

std::u16string ToU16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

// Runs the events of the GUI thread, without user input, until `done` holds or
// the time is up; tick, if given, runs between checks.
bool WaitUntil(const std::function<bool()>& done, int limitMs,
               const std::function<void()>& tick = {}) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(kPollMs);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= limitMs)
            loop.quit();
        else if (tick)
            tick();
    });
    if (done()) return true;
    if (tick) tick();
    timer.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

// The address a cookie is set for when it is put back: a host-only cookie
// (no leading dot) keeps only its host, so it does not turn into a cookie for
// every subdomain.
QUrl OriginFor(QNetworkCookie& cookie) {
    QString host = cookie.domain();
    if (host.startsWith(QLatin1Char('.'))) {
        host = host.mid(1);
    } else {
        cookie.setDomain(QString());
    }
    QUrl origin;
    origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
    origin.setHost(host);
    origin.setPath(QStringLiteral("/"));
    return origin;
}

bool SameCookie(const QNetworkCookie& a, const QNetworkCookie& b) {
    return a.hasSameIdentifier(b) && a.value() == b.value();
}

}  // namespace

ProfileUrlCache::ProfileUrlCache(QWebEngineProfile* profile, QObject* parent)
    : QObject(parent), profile_(profile) {
    QWebEngineCookieStore* store = profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &ProfileUrlCache::OnCookieAdded);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &ProfileUrlCache::OnCookieRemoved);
    // Cookies already on disk; they come back as additions.
    store->loadAllCookies();
}

ProfileUrlCache::~ProfileUrlCache() = default;

QString ProfileUrlCache::HttpCacheEntryName() const {
    const QString path = profile_ ? profile_->cachePath() : QString();
    return QUrl::fromLocalFile(path + QStringLiteral("/")).toString();
}

void ProfileUrlCache::OnCookieAdded(const QNetworkCookie& cookie) {
    if (IsProbe(cookie)) {
        const int value = cookie.value().toInt();
        probeAdded_ = value;
        // An addition that did not replace the previous probe: the context
        // that held it is gone.
        if (value > 0 && probeLastRemoved_ != value - 1) contextRestarted_ = true;
        return;
    }
    for (auto it = cookies_.begin(); it != cookies_.end(); ++it) {
        if (it->hasSameIdentifier(cookie)) {
            *it = cookie;
            return;
        }
    }
    cookies_.append(cookie);
}

void ProfileUrlCache::OnCookieRemoved(const QNetworkCookie& cookie) {
    if (IsProbe(cookie)) {
        probeLastRemoved_ = cookie.value().toInt();
        return;
    }
    cookies_.removeIf([&](const QNetworkCookie& known) { return SameCookie(known, cookie); });
}

void ProfileUrlCache::SetProbe(int value) {
    QNetworkCookie probe(kProbeName, QByteArray::number(value));
    probeSent_ = value;
    profile_->cookieStore()->setCookie(probe, QUrl(QStringLiteral("http://") + kProbeHost + '/'));
}

void ProfileUrlCache::ClearHttpCacheKeepingCookies() {
    if (!profile_) return;
    QWebEngineCookieStore* store = profile_->cookieStore();
    const QList<QNetworkCookie> keep = cookies_;

    probeAdded_ = probeLastRemoved_ = -1;
    contextRestarted_ = false;
    SetProbe(0);
    const bool probeWorks = WaitUntil([&] { return probeAdded_ == 0; }, kProbeAnswerMs);

    profile_->clearHttpCache();
    if (probeWorks) {
        QElapsedTimer sinceSent;
        sinceSent.start();
        WaitUntil([&] { return contextRestarted_ || !profile_; }, kCacheClearMs,
                  [&] {
                      // One probe at a time; one sent into the dying context may never
                      // be answered, so it is sent again after a while.
                      if (probeAdded_ == probeSent_ || sinceSent.elapsed() >= kProbeResendMs) {
                          SetProbe(probeSent_ + 1);
                          sinceSent.restart();
                      }
                  });
    } else {
        // Without the probe the restart cannot be seen; give it its usual time.
        WaitUntil([] { return false; }, kProbeResendMs * 4);
    }
    if (!profile_) return;

    // The new context cannot be listed (loadAllCookies is not answered after
    // the restart), so every known cookie is set again; for the cookies that
    // survived on disk this changes nothing.
    for (QNetworkCookie cookie : keep) {
        const QUrl origin = OriginFor(cookie);
        store->setCookie(cookie, origin);
    }
    store->deleteCookie(QNetworkCookie(kProbeName),
                        QUrl(QStringLiteral("http://") + kProbeHost + '/'));
    WaitUntil(
        [&] {
            for (const QNetworkCookie& cookie : keep) {
                if (!std::any_of(cookies_.begin(), cookies_.end(),
                                 [&](const QNetworkCookie& c) { return SameCookie(c, cookie); }))
                    return false;
            }
            return true;
        },
        kRestoreMs);
}

std::uint32_t ProfileUrlCache::Read(Enumeration& enumeration, UrlCacheEntryInfo* entry,
                                    std::uint32_t& size) {
    if (enumeration.next >= enumeration.entries.size()) return kCacheNoMoreItems;
    const Entry& next = enumeration.entries[enumeration.next];
    const std::uint32_t result =
        quorvane::platform::WriteUrlCacheEntry(entry, size, next.name, next.type);
    if (result == kCacheOk) ++enumeration.next;
    return result;
}

std::uint32_t ProfileUrlCache::FindFirst(UrlCacheEntryInfo* entry, std::uint32_t& size,
                                         UrlCacheHandle& handle) {
    if (!profile_) return kCacheNoMoreItems;
    Enumeration enumeration;
    enumeration.entries.push_back({ToU16(HttpCacheEntryName()), 0});
    for (const QNetworkCookie& cookie : cookies_) {
        // Named the way cookie entries of a URL cache are: "Cookie:name@domain/path".
        const QString name = QStringLiteral("Cookie:") + QString::fromUtf8(cookie.name()) +
                             QLatin1Char('@') + cookie.domain() + cookie.path();
        enumeration.entries.push_back({ToU16(name), kCookieCacheEntry});
    }
    const std::uint32_t result = Read(enumeration, entry, size);
    if (result == kCacheOk) {
        handle = nextHandle_++;
        enumerations_.emplace(handle, std::move(enumeration));
    }
    return result;
}

std::uint32_t ProfileUrlCache::FindNext(UrlCacheHandle handle, UrlCacheEntryInfo* entry,
                                        std::uint32_t& size) {
    auto it = enumerations_.find(handle);
    if (it == enumerations_.end()) return kCacheNoMoreItems;
    return Read(it->second, entry, size);
}

void ProfileUrlCache::DeleteEntry(std::u16string_view sourceUrlName) {
    if (sourceUrlName == ToU16(HttpCacheEntryName())) ClearHttpCacheKeepingCookies();
}

void ProfileUrlCache::Close(UrlCacheHandle handle) {
    enumerations_.erase(handle);
}
