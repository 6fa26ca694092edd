#include "platform/desktop_shortcut.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The decisions about the shortcut, on fake services: the same on every system.

namespace {

using namespace quorvane::platform;

// A path written with '/', in the system's own separators.
std::u16string P(std::u16string path) {
    for (char16_t& c : path)
        if (c == u'/') c = kPathSeparator;
    return path;
}

// Fake services: fixed folders, a scripted sequence of failures, and a record
// of every save.
class FakeShell : public ShellServices {
  public:
    std::optional<std::u16string> SpecialFolderPath(SpecialFolder folder) override {
        if (folder == SpecialFolder::DesktopDirectory &&
            failingDesktopLookups.count(desktopLookups++))
            return std::nullopt;
        switch (folder) {
            case SpecialFolder::DesktopDirectory:
                return desktopDirectory;
            case SpecialFolder::Desktop:
                return desktop;
            case SpecialFolder::Programs:
                return P(u"/home/u/.local/share/applications");
            case SpecialFolder::Startup:
                return P(u"/home/u/.config/autostart");
        }
        return std::nullopt;
    }
    std::optional<std::u16string> ProgramPath() override { return program; }
    std::optional<std::u16string> HomeFolderPath() override { return home; }
    std::u16string ResolvedPath(std::u16string_view path) override {
        auto it = links.find(std::u16string(path));
        return it == links.end() ? std::u16string(path) : it->second;
    }
    bool FileExists(std::u16string_view path) override {
        return saved.count(std::u16string(path)) > 0;
    }
    bool SaveShortcut(std::u16string_view path, const ShortcutContents& contents) override {
        attempts.push_back(contents.description);
        EXPECT_EQ(path, desktop + P(u"/Quorvane") + std::u16string(kShortcutExtension));
        EXPECT_EQ(contents.target, program);
        EXPECT_EQ(contents.name, u"Quorvane");
        if (!saveWorks) return false;
        saved.insert(std::u16string(path));
        return true;
    }

    std::u16string desktopDirectory = P(u"/home/u/Desktop");
    std::u16string desktop = P(u"/home/u/Desktop");
    std::optional<std::u16string> home = P(u"/home/u");
    std::map<std::u16string, std::u16string> links;  // path -> resolved form
    std::u16string program = P(u"/opt/q/quorvane");
    int desktopLookups = 0;
    std::set<int> failingDesktopLookups;  // counted from 0
    bool saveWorks = true;
    std::set<std::u16string> saved;
    std::vector<std::u16string> attempts;
};

TEST(PlaceDesktopShortcutTest, AttemptsTakeTheirDescriptionsInOrder) {
    const std::u16string desktop = P(u"/home/u/Desktop"),
                         programs = P(u"/home/u/.local/share/applications"),
                         startup = P(u"/home/u/.config/autostart");
    struct Case {
        const char* name;
        bool saveWorks;
        int failedLookups;  // attempts whose desktop lookup fails, from the first
        std::vector<std::u16string> saves;
    };
    const Case cases[] = {
        {"first attempt saves, the others find the file", true, 0, {desktop}},
        {"saving fails every time", false, 0, {desktop, programs, startup}},
        {"first attempt cannot find the desktop", true, 1, {programs}},
        {"only the third attempt gets through", true, 2, {startup}},
        {"no attempt gets through", true, 3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeShell shell;
        shell.saveWorks = c.saveWorks;
        // Lookup 0 is PlaceDesktopShortcut's own; each attempt makes one more.
        for (int i = 1; i <= c.failedLookups; ++i) shell.failingDesktopLookups.insert(i);
        PlaceDesktopShortcut(shell);
        EXPECT_EQ(shell.attempts, c.saves);
    }
}

TEST(PlaceDesktopShortcutTest, ComparesTheResolvedAnsiFormsByteForByte) {
    struct Case {
        const char* name;
        std::u16string desktop;
        std::u16string program;
        std::map<std::u16string, std::u16string> links;
        bool made;
    };
    const Case cases[] = {
        {"same Chinese folder",
         P(u"/home/u/\u684c\u9762"),
         P(u"/home/u/\u684c\u9762/q"),
         {},
         false},
        {"different Chinese folder",
         P(u"/home/u/\u684c\u9762"),
         P(u"/home/u/\u6e38\u620f/q"),
         {},
         true},
        {"case differs", P(u"/home/u/Desktop"), P(u"/home/u/DESKTOP/q"), {}, true},
        // Both become "?" in the ANSI code page, so they count as the same folder.
        {"characters without an ANSI form",
         P(u"/home/u/\u0e01"),
         P(u"/home/u/\u0e02/q"),
         {},
         false},
        {"desktop reached through a linked home",
         P(u"/home/u/Desktop"),
         P(u"/data/u/Desktop/q"),
         {{P(u"/home/u/Desktop"), P(u"/data/u/Desktop")}},
         false},
        {"program folder reached through a link",
         P(u"/data/u/Desktop"),
         P(u"/home/u/Desktop/q"),
         {{P(u"/home/u/Desktop"), P(u"/data/u/Desktop")}},
         false},
        {"resolved forms differ only in case",
         P(u"/home/u/Desktop"),
         P(u"/data/u/desktop/q"),
         {{P(u"/home/u/Desktop"), P(u"/data/u/Desktop")}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeShell shell;
        shell.desktopDirectory = c.desktop;
        shell.links = c.links;
        shell.program = c.program;
        PlaceDesktopShortcut(shell);
        EXPECT_EQ(!shell.attempts.empty(), c.made);
    }
}

TEST(PlaceDesktopShortcutTest, NoShortcutWhenTheDesktopIsTheHomeFolder) {
    struct Case {
        const char* name;
        std::u16string desktop;
        std::map<std::u16string, std::u16string> links;
        bool made;
    };
    const Case cases[] = {
        {"desktop is the home folder", P(u"/home/u"), {}, false},
        {"desktop reaches the home folder through a link",
         P(u"/data/u"),
         {{P(u"/data/u"), P(u"/home/u")}},
         false},
        {"home reached through a link", P(u"/data/u"), {{P(u"/home/u"), P(u"/data/u")}}, false},
        {"desktop differs from home only in case", P(u"/home/U"), {}, true},
        {"desktop below the home folder", P(u"/home/u/Desktop"), {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeShell shell;
        shell.desktopDirectory = c.desktop;
        shell.desktop = c.desktop;
        shell.links = c.links;
        PlaceDesktopShortcut(shell);
        EXPECT_EQ(!shell.attempts.empty(), c.made);
    }
}

}  // namespace
