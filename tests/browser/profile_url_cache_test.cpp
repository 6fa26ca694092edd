#include "browser/profile_url_cache.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <memory>

#include "browser/webengine_engine.h"
#include "tests/support/wait.h"

namespace {

using namespace quorvane::platform;

// Longer than the time limits of all the phases of a clear together.
constexpr int kClearLimitMs = 15000;
const QByteArray kProbeName = QByteArrayLiteral("quorvane-cache-probe");

// Counts the clears a cache reports finished.
struct FinishCounter {
    explicit FinishCounter(ProfileUrlCache& cache) {
        QObject::connect(&cache, &ProfileUrlCache::clearFinished, &context, [this] { ++count; });
    }
    QObject context;
    int count = 0;
};

// The demo site's server on a free loopback port, with its request log.
class DemoSite {
  public:
    bool Start() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) return false;
        port_ = probe.serverPort();
        probe.close();
        process_.setProgram(QStringLiteral("python3"));
        process_.setArguments({QStringLiteral(QUORVANE_SOURCE_DIR "/demo/serve.py"),
                               QStringLiteral("--port"), QString::number(port_)});
        process_.start();
        return Wait([&] { return log_.contains("serving"); }, 10000);
    }
    ~DemoSite() {
        process_.kill();
        process_.waitForFinished();
    }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
    }
    int Requests(const QByteArray& path) {
        Read();
        return static_cast<int>(log_.count("GET " + path + " "));
    }
    bool Wait(const std::function<bool()>& done, int limitMs) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < limitMs) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
            Read();
        }
        return done();
    }

  private:
    void Read() { log_ += process_.readAllStandardOutput(); }
    QProcess process_;
    QByteArray log_;
    quint16 port_ = 0;
};

bool Load(QWebEnginePage& page, const QString& url) {
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, [&](bool success) {
        ok = success;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    page.load(QUrl(url));
    loop.exec();
    return ok;
}

QString DocumentCookies(QWebEnginePage& page) {
    QEventLoop loop;
    QString cookies = QStringLiteral("<no answer>");
    page.runJavaScript(QStringLiteral("document.cookie"), [&](const QVariant& value) {
        cookies = value.toString();
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return cookies;
}

// Passes every call on and remembers what the walk saw and deleted.
class Recorder : public UrlCache {
  public:
    explicit Recorder(UrlCache& inner) : inner_(inner) {}
    std::uint32_t FindFirst(UrlCacheEntryInfo* entry, std::uint32_t& size,
                            UrlCacheHandle& handle) override {
        return Note(inner_.FindFirst(entry, size, handle), entry);
    }
    std::uint32_t FindNext(UrlCacheHandle handle, UrlCacheEntryInfo* entry,
                           std::uint32_t& size) override {
        return Note(inner_.FindNext(handle, entry, size), entry);
    }
    void DeleteEntry(std::u16string_view name) override {
        deleted.emplace_back(name);
        inner_.DeleteEntry(name);
    }
    void Close(UrlCacheHandle handle) override {
        ++closed;
        inner_.Close(handle);
    }
    std::vector<std::u16string> cookieEntries;
    std::vector<std::u16string> deleted;
    int closed = 0;

  private:
    std::uint32_t Note(std::uint32_t result, const UrlCacheEntryInfo* entry) {
        if (result == kCacheOk && (entry->cacheEntryType & kCookieCacheEntry))
            cookieEntries.emplace_back(entry->sourceUrlName, entry->sourceUrlNameLength);
        return result;
    }
    UrlCache& inner_;
};

class ProfileUrlCacheTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The profile's folders go to a directory of this run, under a name of
        // its own, so nothing of a real installation is touched.
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", (home_->path() + "/data").toUtf8());
        qputenv("XDG_CACHE_HOME", (home_->path() + "/cache").toUtf8());
        QCoreApplication::setApplicationName(QStringLiteral("quorvane-browser-tests"));
        site_ = std::make_unique<DemoSite>();
        started_ = site_->Start();
    }
    static void TearDownTestSuite() {
        site_.reset();
        home_.reset();
    }
    void SetUp() override { ASSERT_TRUE(started_) << "demo server did not start"; }

    // A profile that has never loaded a page answers the first probe only
    // after its cache has been cleared, too late to see the restart.
    static bool Visit(QWebEngineProfile& profile) {
        QWebEnginePage page(&profile);
        return Load(page, site_->Url("/tests/cookies.html"));
    }

    // The whole clearing against one profile.
    void ClearsTheCacheAndKeepsTheCookies(QWebEngineProfile* profile) {
        ProfileUrlCache cache(profile);
        QWebEnginePage page(profile);
        const QByteArray script = "/tests/cached.js";
        const int before = site_->Requests(script);

        ASSERT_TRUE(Load(page, site_->Url("/tests/cookies.html")));
        ASSERT_TRUE(site_->Wait([&] { return site_->Requests(script) == before + 1; }, 5000));
        ASSERT_TRUE(Load(page, site_->Url("/tests/reload.html")));
        site_->Wait([] { return false; }, 200);
        ASSERT_EQ(site_->Requests(script), before + 1) << "the script should come from the cache";
        ASSERT_EQ(cache.cookies().size(), 2);

        FinishCounter finished(cache);
        Recorder recorder(cache);
        ClearUrlCache(recorder);
        EXPECT_TRUE(cache.isClearing()) << "the walk should only start the clear";
        EXPECT_EQ(finished.count, 0);
        EXPECT_EQ(recorder.deleted,
                  std::vector<std::u16string>{cache.httpCacheEntryName().toStdU16String()});
        EXPECT_EQ(recorder.cookieEntries.size(), 2u);
        EXPECT_EQ(recorder.closed, 1);
        ASSERT_TRUE(WaitFor([&] { return finished.count > 0; }, kClearLimitMs));
        EXPECT_EQ(finished.count, 1);
        EXPECT_FALSE(cache.isClearing());

        ASSERT_TRUE(Load(page, site_->Url("/tests/reload.html")));
        EXPECT_TRUE(site_->Wait([&] { return site_->Requests(script) == before + 2; }, 5000))
            << "the script should be fetched again";
        const QString cookies = DocumentCookies(page);
        EXPECT_TRUE(cookies.contains(QStringLiteral("session_id=s1"))) << cookies.toStdString();
        EXPECT_TRUE(cookies.contains(QStringLiteral("login=p1"))) << cookies.toStdString();
        EXPECT_FALSE(cookies.contains(QStringLiteral("quorvane-cache-probe")));
    }

    static std::unique_ptr<QTemporaryDir> home_;
    static std::unique_ptr<DemoSite> site_;
    static bool started_;
};

std::unique_ptr<QTemporaryDir> ProfileUrlCacheTest::home_;
std::unique_ptr<DemoSite> ProfileUrlCacheTest::site_;
bool ProfileUrlCacheTest::started_ = false;

TEST_F(ProfileUrlCacheTest, SharedProfileLosesItsCacheButNoCookie) {
    QWebEngineProfile* profile = sharedBrowserProfile();
    ASSERT_TRUE(profile->persistentStoragePath().startsWith(home_->path()))
        << profile->persistentStoragePath().toStdString();
    ClearsTheCacheAndKeepsTheCookies(profile);
}

TEST_F(ProfileUrlCacheTest, OffTheRecordProfileKeepsItsCookiesToo) {
    QWebEngineProfile profile;
    ASSERT_TRUE(profile.isOffTheRecord());
    ClearsTheCacheAndKeepsTheCookies(&profile);
}

TEST_F(ProfileUrlCacheTest, EachClearFinishesOnceAndADeleteWhileClearingStartsNone) {
    QWebEngineProfile profile;
    ProfileUrlCache cache(&profile);
    ASSERT_TRUE(Visit(profile));
    FinishCounter finished(cache);
    const std::u16string entry = cache.httpCacheEntryName().toStdU16String();
    for (int clear = 1; clear <= 2; ++clear) {
        cache.DeleteEntry(entry);
        ASSERT_TRUE(cache.isClearing());
        cache.DeleteEntry(entry);
        ASSERT_TRUE(WaitFor([&] { return finished.count >= clear; }, kClearLimitMs));
        EXPECT_FALSE(cache.isClearing()) << "clear " << clear;
        EXPECT_EQ(finished.count, clear);
    }
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(finished.count, 2);
}

TEST_F(ProfileUrlCacheTest, CacheDestroyedWhileClearingSendsNoMoreProbes) {
    QWebEngineProfile profile;
    QObject context;
    int probes = 0;
    QObject::connect(profile.cookieStore(), &QWebEngineCookieStore::cookieAdded, &context,
                     [&](const QNetworkCookie& cookie) {
                         if (cookie.name() == kProbeName) ++probes;
                     });
    auto cache = std::make_unique<ProfileUrlCache>(&profile);
    ASSERT_TRUE(Visit(profile));
    cache->DeleteEntry(cache->httpCacheEntryName().toStdU16String());
    // Past the first probe, the cache is waiting for the network context to restart.
    ASSERT_TRUE(WaitFor([&] { return probes >= 2; }));
    cache.reset();
    probes = 0;
    WaitFor([] { return false; }, 1000);
    // The one already on its way may still arrive.
    EXPECT_LE(probes, 1);
}

TEST_F(ProfileUrlCacheTest, ProfileDestroyedWhileClearingFinishesTheClear) {
    auto profile = std::make_unique<QWebEngineProfile>();
    ProfileUrlCache cache(profile.get());
    FinishCounter finished(cache);
    cache.DeleteEntry(cache.httpCacheEntryName().toStdU16String());
    ASSERT_TRUE(cache.isClearing());
    profile.reset();
    EXPECT_EQ(finished.count, 1);
    EXPECT_FALSE(cache.isClearing());
}

}  // namespace
