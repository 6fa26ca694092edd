#include "browser/web_platform_policy.h"

namespace {

// File names on the player's disk: at most this many bytes of UTF-8.
constexpr int kMaxNameBytes = 255;
// An extension longer than this is no extension worth keeping whole.
constexpr int kMaxExtensionBytes = 32;
constexpr int kMaxNumberedNames = 9999;

QString hostOf(const QString& hostAndPort) {
    return QUrl(QStringLiteral("http://") + hostAndPort).host().toLower();
}

// The longest start of `text` that fits in `maxBytes` of UTF-8, cut between
// characters.
QString cutToBytes(const QString& text, int maxBytes) {
    int bytes = 0;
    int end = 0;
    while (end < text.size()) {
        const bool pair =
            text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
        const int units = pair ? 2 : 1;
        const int size = text.mid(end, units).toUtf8().size();
        if (bytes + size > maxBytes) break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

int utf8Size(const QString& text) {
    return static_cast<int>(text.toUtf8().size());
}

// "replay.json" → {"replay", ".json"}; a name whose only dot leads it, or an
// overlong extension, has none.
std::pair<QString, QString> splitExtension(const QString& name) {
    const int dot = static_cast<int>(name.lastIndexOf(QLatin1Char('.')));
    if (dot <= 0 || utf8Size(name.mid(dot)) > kMaxExtensionBytes) return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

// `stem` cut so that stem + suffix fits the byte limit.
QString fit(const QString& stem, const QString& suffix) {
    return cutToBytes(stem, kMaxNameBytes - utf8Size(suffix)) + suffix;
}

}  // namespace

bool allows(PageRequest request, const RequestContext& context) {
    const bool gamePage = context.role == PageRole::Game && context.onGameSite;
    switch (request) {
        case PageRequest::FullScreen:
        case PageRequest::PointerLock:
        // Starting the game was the player's gesture.
        case PageRequest::SoundWithoutGesture:
            return gamePage;
        // The engine keeps this permission per site for the whole profile,
        // so every window has to answer a site alike.
        case PageRequest::Notifications:
            return context.onGameSite;
        // Only the game's windows save files, one per click or key of the
        // player's.
        case PageRequest::Download:
            return context.role != PageRole::Launcher && context.onGameSite &&
                   context.playerGesture;
        case PageRequest::Microphone:
        case PageRequest::Camera:
        case PageRequest::CameraAndMicrophone:
        case PageRequest::Location:
        case PageRequest::ScreenCapture:
        case PageRequest::ScreenCaptureWithSound:
        case PageRequest::ClipboardRead:
            return false;
    }
    return false;
}

void GameSite::setDeploymentHosts(const QStringList& hosts) {
    m_hosts.clear();
    for (const QString& host : hosts)
        if (const QString name = hostOf(host); !name.isEmpty()) m_hosts << name;
}

void GameSite::setGameAddress(const QString& url) {
    m_gameHost = QUrl(url, QUrl::TolerantMode).host().toLower();
}

bool GameSite::contains(const QUrl& page) const {
    const QString host = page.host().toLower();
    if (host.isEmpty()) return false;
    return host == m_gameHost || m_hosts.contains(host);
}

NewWindowTarget decideNewWindow(NewWindowKind kind, const QUrl& address,
                                const RequestContext& context, bool withinLimit) {
    if (!context.playerGesture || !withinLimit) return NewWindowTarget::Refused;
    if (kind == NewWindowKind::Dialog && context.onGameSite) return NewWindowTarget::ClientPopup;
    const QString scheme = address.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return NewWindowTarget::DefaultBrowser;
    return NewWindowTarget::Refused;
}

bool WindowOpenLimit::tryOpen(Clock::time_point now) {
    while (!m_opened.empty() && now - m_opened.front() >= m_span) m_opened.pop_front();
    if (static_cast<int>(m_opened.size()) >= m_limit) return false;
    m_opened.push_back(now);
    return true;
}

QString safeDownloadName(const QString& suggested) {
    QString name;
    name.reserve(suggested.size());
    for (const QChar c : suggested) {
        const bool separator = c == QLatin1Char('/') || c == QLatin1Char('\\');
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f;
        name += (separator || control) ? QLatin1Char('_') : c;
    }
    name = name.trimmed();
    // A leading dot hides the file, and "." or ".." are no files at all.
    while (name.startsWith(QLatin1Char('.'))) name = name.mid(1).trimmed();
    if (name.isEmpty()) return QStringLiteral("download");
    const auto [stem, extension] = splitExtension(name);
    return fit(stem, extension);
}

QString freeDownloadName(const QString& name, const std::function<bool(const QString&)>& taken) {
    if (!taken(name)) return name;
    const auto [stem, extension] = splitExtension(name);
    for (int n = 1; n <= kMaxNumberedNames; ++n) {
        const QString candidate = fit(stem, QStringLiteral(" (%1)").arg(n) + extension);
        if (!taken(candidate)) return candidate;
    }
    return QString();
}
