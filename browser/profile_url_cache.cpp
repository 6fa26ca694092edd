#include "browser/profile_url_cache.h"

#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <algorithm>

namespace {

using quorvane::platform::kCacheNoMoreItems;
using quorvane::platform::kCacheOk;
using quorvane::platform::kCookieCacheEntry;
using quorvane::platform::UrlCacheEntryInfo;
using quorvane::platform::UrlCacheHandle;

const QByteArray kProbeName = QByteArrayLiteral("quorvane-cache-probe");
const QString kProbeHost = QStringLiteral("cache-probe.quorvane.invalid");

// Cookie and cache operations answer asynchronously; these bound every phase
// so a clear always finishes, even when an answer never comes.
constexpr int kProbeAnswerMs = 2000;
constexpr int kCacheClearMs = 8000;
constexpr int kProbeResendMs = 250;
constexpr int kRestoreMs = 2000;
// Probes go out no faster than this, so the store is not flooded while the old
// context still answers every one of them.
constexpr int kProbeIntervalMs = 20;

bool IsProbe(const QNetworkCookie& cookie) {
    return cookie.name() == kProbeName && cookie.domain().endsWith(kProbeHost);
}

std::u16string ToU16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
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

QUrl ProbeUrl() {
    return QUrl(QStringLiteral("http://") + kProbeHost + QLatin1Char('/'));
}

}  // namespace

ProfileUrlCache::ProfileUrlCache(QWebEngineProfile* profile, QObject* parent)
    : QObject(parent), profile_(profile) {
    QWebEngineCookieStore* store = profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &ProfileUrlCache::OnCookieAdded);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &ProfileUrlCache::OnCookieRemoved);
    // Nothing is left to wait for once the profile is gone.
    connect(profile, &QObject::destroyed, this, [this] {
        if (IsClearing()) Finish();
    });
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &ProfileUrlCache::OnDeadline);
    probeTimer_.setInterval(kProbeIntervalMs);
    connect(&probeTimer_, &QTimer::timeout, this, &ProfileUrlCache::ProbeAgain);
    // Cookies already on disk; they come back as additions.
    store->loadAllCookies();
}

ProfileUrlCache::~ProfileUrlCache() {
    // The probe would otherwise stay behind as a cookie of the profile.
    if (IsClearing() && profile_)
        profile_->cookieStore()->deleteCookie(QNetworkCookie(kProbeName), ProbeUrl());
}

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
        if (phase_ == Phase::Probing && value == 0) {
            ClearHttpCache(true);
        } else if (phase_ == Phase::AwaitingRestart && contextRestarted_) {
            RestoreCookies();
        }
        return;
    }
    const auto known = std::find_if(cookies_.begin(), cookies_.end(), [&](const QNetworkCookie& c) {
        return c.hasSameIdentifier(cookie);
    });
    if (known != cookies_.end()) {
        *known = cookie;
    } else {
        cookies_.append(cookie);
    }
    if (phase_ == Phase::Restoring) {
        unconfirmed_.removeIf([&](const QNetworkCookie& c) { return SameCookie(c, cookie); });
        if (unconfirmed_.isEmpty()) Finish();
    }
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
    sinceProbeSent_.start();
    profile_->cookieStore()->setCookie(probe, ProbeUrl());
}

void ProfileUrlCache::StartClear() {
    if (IsClearing() || !profile_) return;
    probeAdded_ = probeLastRemoved_ = -1;
    contextRestarted_ = false;
    phase_ = Phase::Probing;
    SetProbe(0);
    deadline_.start(kProbeAnswerMs);
}

void ProfileUrlCache::ClearHttpCache(bool probeWorks) {
    if (!profile_) {
        Finish();
        return;
    }
    profile_->clearHttpCache();
    if (probeWorks) {
        phase_ = Phase::AwaitingRestart;
        // Only a restart after the clear counts; a late probe of an earlier
        // clear must not end this one.
        contextRestarted_ = false;
        deadline_.start(kCacheClearMs);
        ProbeAgain();
        probeTimer_.start();
    } else {
        // Without the probe the restart cannot be seen; give it its usual time.
        phase_ = Phase::WaitingOut;
        deadline_.start(kProbeResendMs * 4);
    }
}

void ProfileUrlCache::ProbeAgain() {
    if (!profile_) return;
    // One probe at a time; one sent into the dying context may never be
    // answered, so it is sent again after a while.
    if (probeAdded_ == probeSent_ || sinceProbeSent_.elapsed() >= kProbeResendMs)
        SetProbe(probeSent_ + 1);
}

void ProfileUrlCache::RestoreCookies() {
    probeTimer_.stop();
    if (!profile_) {
        Finish();
        return;
    }
    QWebEngineCookieStore* store = profile_->cookieStore();
    phase_ = Phase::Restoring;
    // Taken now rather than when the clear started, so a cookie a page changed
    // or deleted meanwhile is not put back as it was. The new context cannot be
    // listed (loadAllCookies is not answered after the restart), so every known
    // cookie is set again; for the cookies that survived on disk this changes
    // nothing.
    unconfirmed_ = cookies_;
    for (QNetworkCookie cookie : unconfirmed_) {
        const QUrl origin = OriginFor(cookie);
        store->setCookie(cookie, origin);
    }
    store->deleteCookie(QNetworkCookie(kProbeName), ProbeUrl());
    if (unconfirmed_.isEmpty()) {
        Finish();
        return;
    }
    deadline_.start(kRestoreMs);
}

void ProfileUrlCache::OnDeadline() {
    switch (phase_) {
        case Phase::Probing:
            ClearHttpCache(false);
            break;
        case Phase::AwaitingRestart:
        case Phase::WaitingOut:
            RestoreCookies();
            break;
        case Phase::Restoring:
            Finish();
            break;
        case Phase::Idle:
            break;
    }
}

void ProfileUrlCache::Finish() {
    deadline_.stop();
    probeTimer_.stop();
    unconfirmed_.clear();
    phase_ = Phase::Idle;
    // Last, since a receiver may delete this object.
    emit ClearFinished();
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
    if (sourceUrlName == ToU16(HttpCacheEntryName())) StartClear();
}

void ProfileUrlCache::Close(UrlCacheHandle handle) {
    enumerations_.erase(handle);
}
