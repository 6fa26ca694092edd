#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/code_page.h"
#include "platform/desktop_shortcut.h"

namespace {

namespace fs = std::filesystem;
using namespace quorvane::platform;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The real services under a temporary home; the program path can be faked.
class TempHome : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvane-home-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        home_ = pattern;
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const char* value = std::getenv(name);
            if (value) saved_[name] = value;
            ::unsetenv(name);
        }
        ::setenv("HOME", home_.c_str(), 1);
        desktop_ = home_ / "Desktop";
        fs::create_directories(desktop_);
        shortcut_ = desktop_ / "Quorvane.desktop";
    }
    void TearDown() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            auto it = saved_.find(name);
            if (it != saved_.end())
                ::setenv(name, it->second.c_str(), 1);
            else
                ::unsetenv(name);
        }
        fs::remove_all(home_);
    }

    fs::path home_, desktop_, shortcut_;
    std::map<std::string, std::string> saved_;
};

class ProgramAt : public ShellServices {
  public:
    explicit ProgramAt(std::string path) : path_(FromUtf8(path)) {}
    std::optional<std::u16string> SpecialFolderPath(SpecialFolder folder) override {
        return SystemShellServices().SpecialFolderPath(folder);
    }
    std::optional<std::u16string> ProgramPath() override { return path_; }
    std::optional<std::u16string> HomeFolderPath() override {
        return SystemShellServices().HomeFolderPath();
    }
    std::u16string ResolvedPath(std::u16string_view path) override {
        return SystemShellServices().ResolvedPath(path);
    }
    bool FileExists(std::u16string_view path) override {
        return SystemShellServices().FileExists(path);
    }
    bool SaveShortcut(std::u16string_view path, const ShortcutContents& contents) override {
        return SystemShellServices().SaveShortcut(path, contents);
    }

  private:
    std::u16string path_;
};

TEST_F(TempHome, CleanDesktopGetsAnExecutableEntryForTheProgram) {
    ProgramAt shell("/opt/quorvane games/bin/quorvane");
    PlaceDesktopShortcut(shell);
    ASSERT_TRUE(fs::exists(shortcut_));
    EXPECT_EQ(ReadFile(shortcut_),
              "[Desktop Entry]\nType=Application\nVersion=1.0\nName=Quorvane\n"
              "Comment=" +
                  desktop_.string() +
                  "\n"
                  "Exec=\"/opt/quorvane games/bin/quorvane\"\nIcon=quorvane\nTerminal=false\n");
    const auto perms = fs::status(shortcut_).permissions();
    EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    EXPECT_EQ(fs::directory_iterator(desktop_)->path(), shortcut_) << "one file only";
}

TEST_F(TempHome, RealProgramPathIsTheRunningExecutable) {
    PlaceDesktopShortcut();
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    EXPECT_NE(ReadFile(shortcut_).find("Exec=\"" + self + "\"\n"), std::string::npos);
}

TEST_F(TempHome, ExistingFileIsNeverTouched) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const Case cases[] = {
        {"another copy's entry",
         [](const fs::path& p) { WriteFile(p, "[Desktop Entry]\nExec=/x\n"); }},
        {"broken file", [](const fs::path& p) { WriteFile(p, std::string("\0\xff garbage", 10)); }},
        {"empty file", [](const fs::path& p) { WriteFile(p, ""); }},
        {"dangling symlink",
         [](const fs::path& p) { fs::create_symlink("/nonexistent/target", p); }},
        {"directory", [](const fs::path& p) { fs::create_directory(p); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(shortcut_);
        c.make(shortcut_);
        struct stat before {};
        ASSERT_EQ(::lstat(shortcut_.c_str(), &before), 0);
        const std::string bytes =
            fs::is_regular_file(fs::symlink_status(shortcut_)) ? ReadFile(shortcut_) : "";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

        ProgramAt shell("/opt/q/quorvane");
        PlaceDesktopShortcut(shell);

        struct stat after {};
        ASSERT_EQ(::lstat(shortcut_.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        EXPECT_EQ(after.st_ino, before.st_ino);
        if (fs::is_regular_file(fs::symlink_status(shortcut_))) {
            EXPECT_EQ(ReadFile(shortcut_), bytes);
        }
        EXPECT_FALSE(fs::exists("/nonexistent/target"));
    }
}

TEST_F(TempHome, AnythingAtThePathCountsAsExisting) {
    WriteFile(home_ / "file", "x");
    fs::create_symlink(home_ / "missing", home_ / "dangling");
    fs::create_symlink(home_ / "file", home_ / "link");
    const struct {
        const char* name;
        bool exists;
    } cases[] = {
        {"file", true}, {"dangling", true}, {"link", true}, {"Desktop", true}, {"missing", false}};
    for (const auto& c : cases)
        EXPECT_EQ(SystemShellServices().FileExists(FromUtf8((home_ / c.name).string())), c.exists)
            << c.name;
}

TEST_F(TempHome, DeletedShortcutIsMadeAgain) {
    ProgramAt shell("/opt/q/quorvane");
    PlaceDesktopShortcut(shell);
    const std::string first = ReadFile(shortcut_);
    fs::remove(shortcut_);
    PlaceDesktopShortcut(shell);
    EXPECT_EQ(ReadFile(shortcut_), first);
}

TEST_F(TempHome, ProgramFolderDecidesWhetherAShortcutIsMade) {
    struct Case {
        const char* name;
        std::string program;
        bool made;
    };
    const std::string desktop = desktop_.string();
    std::string upper = desktop;
    upper[upper.size() - 7] = 'd';  // ".../desktop" instead of ".../Desktop"
    const Case cases[] = {
        {"runs from the desktop directory", desktop + "/quorvane", false},
        {"differs only in case", upper + "/quorvane", true},
        {"in a folder below the desktop", desktop + "/games/quorvane", true},
        {"desktop directory as a prefix of the folder", desktop + "2/quorvane", true},
        {"in the home folder", home_.string() + "/quorvane", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(shortcut_);
        ProgramAt shell(c.program);
        PlaceDesktopShortcut(shell);
        EXPECT_EQ(fs::exists(shortcut_), c.made);
    }
}

TEST_F(TempHome, SystemFoldersAreComparedWithLinksResolved) {
    const fs::path via = home_ / "via";  // a second way into the home folder
    fs::create_symlink(home_, via);
    fs::create_directory(home_ / "desktop");
    struct Case {
        const char* name;
        fs::path home;         // $HOME
        std::string userDirs;  // contents of user-dirs.dirs; empty: no file
        fs::path programFolder;
        bool made;
    };
    const Case cases[] = {
        {"run from the desktop, home through a link", via, "", home_ / "Desktop", false},
        {"run from the desktop through a link", home_, "", via / "Desktop", false},
        {"folder differing only in case", via, "", home_ / "desktop", true},
        {"desktop set to $HOME/", home_, "XDG_DESKTOP_DIR=\"$HOME/\"\n", "/opt/q", false},
        {"desktop set to $HOME", home_, "XDG_DESKTOP_DIR=\"$HOME\"\n", "/opt/q", false},
        {"desktop set to the real home, home through a link", via,
         "XDG_DESKTOP_DIR=\"" + home_.string() + "\"\n", "/opt/q", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(shortcut_);
        fs::remove_all(home_ / ".config");
        if (!c.userDirs.empty()) {
            fs::create_directories(home_ / ".config");
            WriteFile(home_ / ".config/user-dirs.dirs", c.userDirs);
        }
        ::setenv("HOME", c.home.c_str(), 1);
        ProgramAt shell((c.programFolder / "quorvane").string());
        PlaceDesktopShortcut(shell);
        EXPECT_EQ(fs::exists(shortcut_), c.made);
        EXPECT_FALSE(fs::exists(home_ / "Quorvane.desktop"));
    }
}

TEST_F(TempHome, FoldersFollowTheXdgSettings) {
    struct Case {
        const char* name;
        std::string userDirs;  // contents of user-dirs.dirs; empty: no file
        std::string configHome, dataHome;
        std::string desktop, programs, startup;  // relative to home
    };
    const std::string h = home_.string();
    const Case cases[] = {
        {"no settings", "", "", "", "/Desktop", "/.local/share/applications", "/.config/autostart"},
        {"user-dirs under $HOME", "XDG_DESKTOP_DIR=\"$HOME/\xe6\xa1\x8c\xe9\x9d\xa2\"\n", "", "",
         "/\xe6\xa1\x8c\xe9\x9d\xa2", "/.local/share/applications", "/.config/autostart"},
        {"absolute, escaped, trailing slash, comment",
         "# XDG_DESKTOP_DIR=\"$HOME/no\"\nXDG_DOWNLOAD_DIR=\"$HOME/Dl\"\n"
         "XDG_DESKTOP_DIR=\"" +
             h + "/My \\\"Desk\\\"/\"\n",
         "", "", "/My \"Desk\"", "/.local/share/applications", "/.config/autostart"},
        {"desktop disabled is the home folder", "XDG_DESKTOP_DIR=\"$HOME/\"\n", "", "", "",
         "/.local/share/applications", "/.config/autostart"},
        {"relative values are not valid", "XDG_DESKTOP_DIR=\"Desk\"\n", "", "", "/Desktop",
         "/.local/share/applications", "/.config/autostart"},
        {"base directories moved", "XDG_DESKTOP_DIR=\"$HOME/D2\"\n", "/cfg", "/data", "/D2",
         "/data/applications", "/cfg/autostart"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string configHome = c.configHome.empty() ? h + "/.config" : h + c.configHome;
        fs::remove_all(home_ / ".config");
        fs::remove_all(home_ / "cfg");
        fs::create_directories(configHome);
        if (!c.userDirs.empty()) WriteFile(configHome + "/user-dirs.dirs", c.userDirs);
        if (c.configHome.empty())
            ::unsetenv("XDG_CONFIG_HOME");
        else
            ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        if (c.dataHome.empty())
            ::unsetenv("XDG_DATA_HOME");
        else
            ::setenv("XDG_DATA_HOME", (h + c.dataHome).c_str(), 1);

        auto& shell = SystemShellServices();
        EXPECT_EQ(ToUtf8(*shell.SpecialFolderPath(SpecialFolder::DesktopDirectory)), h + c.desktop);
        EXPECT_EQ(ToUtf8(*shell.SpecialFolderPath(SpecialFolder::Desktop)), h + c.desktop);
        EXPECT_EQ(ToUtf8(*shell.SpecialFolderPath(SpecialFolder::Programs)), h + c.programs);
        EXPECT_EQ(ToUtf8(*shell.SpecialFolderPath(SpecialFolder::Startup)), h + c.startup);
    }
}

TEST_F(TempHome, NoShortcutGoesToTheMenuOrAutostart) {
    ProgramAt shell("/opt/q/quorvane");
    PlaceDesktopShortcut(shell);
    EXPECT_FALSE(fs::exists(home_ / ".local/share/applications"));
    EXPECT_FALSE(fs::exists(home_ / ".config/autostart"));
}

TEST(DesktopEntryTextTest, QuotesAndEscapesWhatTheFormatReserves) {
    const std::string text =
        DesktopEntryText({u"/opt/a b/\"q\"$x`y`\\z%u", u" /home/u/Desk\ttop\\n", u"Quorvane"});
    EXPECT_NE(text.find("\nExec=\"/opt/a b/\\\\\"q\\\\\"\\\\$x\\\\`y\\\\`\\\\\\\\z%%u\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nComment=\\s/home/u/Desk\\ttop\\\\n\n"), std::string::npos) << text;
}

}  // namespace
