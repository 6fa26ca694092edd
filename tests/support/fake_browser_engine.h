#pragma once

#include <QStringList>
#include <QWidget>

#include "browser/browser_engine.h"

// A browser engine driven by the test: it records what the window asks of it
// and lets the test play the engine's events.
class FakeBrowserEngine : public BrowserEngine {
  public:
    explicit FakeBrowserEngine(QWidget* parent) : view_(new QWidget(parent)) {}

    QWidget* View() override { return view_; }
    void Navigate(const QString& url) override {
        calls << QStringLiteral("Navigate ") + url;
        navigations << url;
        if (requestsOnNavigate) emit TopRequestStarted();
    }
    void Stop() override { calls << QStringLiteral("Stop"); }
    void Refresh() override { calls << QStringLiteral("Refresh"); }
    QString LocationURL() const override { return location; }
    bool Busy() const override { return busy; }
    bool HasDocument() const override { return hasDocument; }
    void ExecScript(const QString& code) override {
        calls << QStringLiteral("ExecScript");
        scripts << code;
    }
    QString DocumentTitle() const override { return title; }
    void ClearBodyBorderWidth() override { calls << QStringLiteral("ClearBodyBorderWidth"); }
    void SetBackgroundColor(const QColor& colour) override { background = colour; }
    qint64 RenderProcessId() const override { return 0; }

    void CompleteNavigation(const QString& url) { emit NavigateComplete2(url); }
    void CompleteDocument(const QString& url) { emit DocumentComplete(url); }

    QStringList calls;
    QStringList navigations;
    QStringList scripts;
    QString location;
    QString title;
    bool busy = false;
    bool hasDocument = true;
    // Whether a navigation asks the network for its page at once.
    bool requestsOnNavigate = true;
    QColor background;

  private:
    QWidget* view_;
};
