#pragma once

#include <QStringList>
#include <QWidget>

#include "browser/browser_engine.h"

// A browser engine driven by the test: it records what the window asks of it
// and lets the test play the engine's events.
class FakeBrowserEngine : public BrowserEngine {
  public:
    explicit FakeBrowserEngine(QWidget* parent) : m_view(new QWidget(parent)) {}

    QWidget* view() override { return m_view; }
    void navigate(const QString& url) override {
        calls << QStringLiteral("Navigate ") + url;
        navigations << url;
        if (requestsOnNavigate) emit topRequestStarted();
    }
    void stop() override { calls << QStringLiteral("Stop"); }
    void refresh() override { calls << QStringLiteral("Refresh"); }
    QString location() const override { return address; }
    bool hasDocument() const override { return holdsDocument; }
    void runScript(const QString& code) override {
        calls << QStringLiteral("runScript");
        scripts << code;
    }
    QString documentTitle() const override { return title; }
    void clearBodyBorderWidth() override { calls << QStringLiteral("clearBodyBorderWidth"); }
    void setBackgroundColor(const QColor& colour) override { background = colour; }
    qint64 renderProcessId() const override { return 0; }

    void CompleteNavigation(const QString& url) { emit navigationCompleted(url); }
    void CompleteDocument(const QString& url) { emit documentCompleted(url); }

    QStringList calls;
    QStringList navigations;
    QStringList scripts;
    QString address;
    QString title;
    bool holdsDocument = true;
    // Whether a navigation asks the network for its page at once.
    bool requestsOnNavigate = true;
    QColor background;

  private:
    QWidget* m_view;
};
