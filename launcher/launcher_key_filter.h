#pragma once

#include "platform/app_message.h"

// What the launcher's filter needs to know of the launcher window.
class LauncherKeyFilterHost {
  public:
    virtual ~LauncherKeyFilterHost() = default;
    // True for the launcher browser's control and everything inside it.
    virtual bool isInsideBrowser(const QObject* target) const = 0;
};

// The launcher's application-wide message filter: keeps the start page from
// opening browser windows by keyboard and from showing the browser's context
// menu. It only ever drops messages, never lets through one that an earlier
// decision dropped.
class LauncherKeyFilter {
  public:
    explicit LauncherKeyFilter(const LauncherKeyFilterHost& host) : host_(host) {}

    void filterMessage(const AppMessage& message, bool& handled) const;

  private:
    const LauncherKeyFilterHost& host_;
};
