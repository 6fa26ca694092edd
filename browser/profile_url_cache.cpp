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

bool isProbe(const QNetworkCookie& cookie) {
    return cookie.name() == kProbeName && cookie.domain().endsWith(kProbeHost);
}

std::u16string ToU16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

// The address a cookie is set for when it is put back: a host-only cookie
// (no leading dot) keeps only its host, so it does not turn into a cookie for
// every subdomain.
QUrl originFor(QNetworkCookie& cookie) {
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

bool sameCookie(const QNetworkCookie& a, const QNetworkCookie& b) {
    return a.hasSameIdentifier(b) && a.value() == b.value();
}

QUrl probeUrl() {
    return QUrl(QStringLiteral("http://") + kProbeHost + QLatin1Char('/'));
}

}  // namespace

ProfileUrlCache::ProfileUrlCache(QWebEngineProfile* profile, QObject* parent)
    : QObject(parent), m_profile(profile) {
    QWebEngineCookieStore* store = profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &ProfileUrlCache::onCookieAdded);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &ProfileUrlCache::onCookieRemoved);
    // Nothing is left to wait for once the profile is gone.
    connect(profile, &QObject::destroyed, this, [this] {
        if (isClearing()) finish();
    });
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &ProfileUrlCache::onDeadline);
    m_probeTimer.setInterval(kProbeIntervalMs);
    connect(&m_probeTimer, &QTimer::timeout, this, &ProfileUrlCache::probeAgain);
    // Cookies already on disk; they come back as additions.
    store->loadAllCookies();
}

ProfileUrlCache::~ProfileUrlCache() {
    // The probe would otherwise stay behind as a cookie of the profile.
    if (isClearing() && m_profile)
        m_profile->cookieStore()->deleteCookie(QNetworkCookie(kProbeName), probeUrl());
}

QString ProfileUrlCache::httpCacheEntryName() const {
    const QString path = m_profile ? m_profile->cachePath() : QString();
    return QUrl::fromLocalFile(path + QStringLiteral("/")).toString();
}

void ProfileUrlCache::onCookieAdded(const QNetworkCookie& cookie) {
    if (isProbe(cookie)) {
        const int value = cookie.value().toInt();
        m_probeAdded = value;
        // An addition that did not replace the previous probe: the context
        // that held it is gone.
        if (value > 0 && m_probeLastRemoved != value - 1) m_contextRestarted = true;
        if (m_phase == Phase::Probing && value == 0) {
            clearHttpCache(true);
        } else if (m_phase == Phase::AwaitingRestart && m_contextRestarted) {
            restoreCookies();
        }
        return;
    }
    const auto known =
        std::find_if(m_cookies.begin(), m_cookies.end(),
                     [&](const QNetworkCookie& c) { return c.hasSameIdentifier(cookie); });
    if (known != m_cookies.end()) {
        *known = cookie;
    } else {
        m_cookies.append(cookie);
    }
    if (m_phase == Phase::Restoring) {
        m_unconfirmed.removeIf([&](const QNetworkCookie& c) { return sameCookie(c, cookie); });
        if (m_unconfirmed.isEmpty()) finish();
    }
}

void ProfileUrlCache::onCookieRemoved(const QNetworkCookie& cookie) {
    if (isProbe(cookie)) {
        m_probeLastRemoved = cookie.value().toInt();
        return;
    }
    m_cookies.removeIf([&](const QNetworkCookie& known) { return sameCookie(known, cookie); });
}

void ProfileUrlCache::setProbe(int value) {
    QNetworkCookie probe(kProbeName, QByteArray::number(value));
    m_probeSent = value;
    m_sinceProbeSent.start();
    m_profile->cookieStore()->setCookie(probe, probeUrl());
}

void ProfileUrlCache::startClear() {
    if (isClearing() || !m_profile) return;
    m_probeAdded = m_probeLastRemoved = -1;
    m_contextRestarted = false;
    m_phase = Phase::Probing;
    setProbe(0);
    m_deadline.start(kProbeAnswerMs);
}

void ProfileUrlCache::clearHttpCache(bool probeWorks) {
    if (!m_profile) {
        finish();
        return;
    }
    m_profile->clearHttpCache();
    if (probeWorks) {
        m_phase = Phase::AwaitingRestart;
        // Only a restart after the clear counts; a late probe of an earlier
        // clear must not end this one.
        m_contextRestarted = false;
        m_deadline.start(kCacheClearMs);
        probeAgain();
        m_probeTimer.start();
    } else {
        // Without the probe the restart cannot be seen; give it its usual time.
        m_phase = Phase::WaitingOut;
        m_deadline.start(kProbeResendMs * 4);
    }
}

void ProfileUrlCache::probeAgain() {
    if (!m_profile) return;
    // One probe at a time; one sent into the dying context may never be
    // answered, so it is sent again after a while.
    if (m_probeAdded == m_probeSent || m_sinceProbeSent.elapsed() >= kProbeResendMs)
        setProbe(m_probeSent + 1);
}

void ProfileUrlCache::restoreCookies() {
    m_probeTimer.stop();
    if (!m_profile) {
        finish();
        return;
    }
    QWebEngineCookieStore* store = m_profile->cookieStore();
    m_phase = Phase::Restoring;
    // Taken now rather than when the clear started, so a cookie a page changed
    // or deleted meanwhile is not put back as it was. The new context cannot be
    // listed (loadAllCookies is not answered after the restart), so every known
    // cookie is set again; for the cookies that survived on disk this changes
    // nothing.
    m_unconfirmed = m_cookies;
    for (QNetworkCookie cookie : m_unconfirmed) {
        const QUrl origin = originFor(cookie);
        store->setCookie(cookie, origin);
    }
    store->deleteCookie(QNetworkCookie(kProbeName), probeUrl());
    if (m_unconfirmed.isEmpty()) {
        finish();
        return;
    }
    m_deadline.start(kRestoreMs);
}

void ProfileUrlCache::onDeadline() {
    switch (m_phase) {
        case Phase::Probing:
            clearHttpCache(false);
            break;
        case Phase::AwaitingRestart:
        case Phase::WaitingOut:
            restoreCookies();
            break;
        case Phase::Restoring:
            finish();
            break;
        case Phase::Idle:
            break;
    }
}

void ProfileUrlCache::finish() {
    m_deadline.stop();
    m_probeTimer.stop();
    m_unconfirmed.clear();
    m_phase = Phase::Idle;
    // Last, since a receiver may delete this object.
    emit clearFinished();
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
    if (!m_profile) return kCacheNoMoreItems;
    Enumeration enumeration;
    enumeration.entries.push_back({ToU16(httpCacheEntryName()), 0});
    for (const QNetworkCookie& cookie : m_cookies) {
        // Named the way cookie entries of a URL cache are: "Cookie:name@domain/path".
        const QString name = QStringLiteral("Cookie:") + QString::fromUtf8(cookie.name()) +
                             QLatin1Char('@') + cookie.domain() + cookie.path();
        enumeration.entries.push_back({ToU16(name), kCookieCacheEntry});
    }
    const std::uint32_t result = Read(enumeration, entry, size);
    if (result == kCacheOk) {
        handle = m_nextHandle++;
        m_enumerations.emplace(handle, std::move(enumeration));
    }
    return result;
}

std::uint32_t ProfileUrlCache::FindNext(UrlCacheHandle handle, UrlCacheEntryInfo* entry,
                                        std::uint32_t& size) {
    auto it = m_enumerations.find(handle);
    if (it == m_enumerations.end()) return kCacheNoMoreItems;
    return Read(it->second, entry, size);
}

void ProfileUrlCache::DeleteEntry(std::u16string_view sourceUrlName) {
    if (sourceUrlName == ToU16(httpCacheEntryName())) startClear();
}

void ProfileUrlCache::Close(UrlCacheHandle handle) {
    m_enumerations.erase(handle);
}
