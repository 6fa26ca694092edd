#include <gtest/gtest.h>
#include <windows.h>
// The shell's headers need windows.h first.
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <chrono>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "platform/code_page.h"
#include "platform/desktop_shortcut.h"

// The shortcut made by the real Windows services into a desktop folder of the
// test's own, read back through the shell-link object and from the file's bytes.

namespace {

namespace fs = std::filesystem;
using namespace quorvane::platform;

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::uint32_t LittleEndian32(const std::string& bytes, size_t offset) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                 << (8 * i);
    return value;
}

struct LinkFields {
    std::u16string path, arguments, workingDirectory, description;
    int showCommand = -1;
};

std::u16string U16(const wchar_t* text) {
    return std::u16string(text, text + std::wcslen(text));
}

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComOwner = std::unique_ptr<Interface, ComRelease>;

// Balances a successful CoInitialize.
struct ComScope {
    ComScope() : entered(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (entered) CoUninitialize();
    }
    const bool entered;
};

// Reads a shortcut file the way the shell does.
LinkFields ReadLink(const fs::path& file) {
    LinkFields fields;
    const ComScope com;
    EXPECT_TRUE(com.entered);
    IShellLinkW* linkPointer = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&linkPointer)))) {
        ADD_FAILURE() << "no shell-link object";
        return fields;
    }
    const ComOwner<IShellLinkW> link(linkPointer);
    IPersistFile* persistPointer = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persistPointer)))) {
        ADD_FAILURE() << "no IPersistFile";
        return fields;
    }
    const ComOwner<IPersistFile> persist(persistPointer);
    EXPECT_EQ(persist->Load(file.c_str(), STGM_READ), S_OK);
    wchar_t text[INFOTIPSIZE] = {};
    WIN32_FIND_DATAW found{};
    link->GetPath(text, INFOTIPSIZE, &found, 0);
    fields.path = U16(text);
    text[0] = L'\0';
    link->GetArguments(text, INFOTIPSIZE);
    fields.arguments = U16(text);
    text[0] = L'\0';
    link->GetWorkingDirectory(text, INFOTIPSIZE);
    fields.workingDirectory = U16(text);
    text[0] = L'\0';
    link->GetDescription(text, INFOTIPSIZE);
    fields.description = U16(text);
    link->GetShowCmd(&fields.showCommand);
    return fields;
}

// The real services with the desktop moved into a folder of the test's own
// and, where a case says so, another program path.
class TestDesktop : public ShellServices {
  public:
    explicit TestDesktop(std::u16string desktop) : desktop_(std::move(desktop)) {}
    std::optional<std::u16string> SpecialFolderPath(SpecialFolder folder) override {
        if (folder == SpecialFolder::Desktop || folder == SpecialFolder::DesktopDirectory)
            return desktop_;
        return real().SpecialFolderPath(folder);
    }
    bool DesktopDirectoryResolves() override { return real().DesktopDirectoryResolves(); }
    std::optional<std::u16string> ProgramPath() override {
        return program ? program : real().ProgramPath();
    }
    std::optional<std::u16string> HomeFolderPath() override { return real().HomeFolderPath(); }
    std::u16string ResolvedPath(std::u16string_view path) override {
        return real().ResolvedPath(path);
    }
    bool FileExists(std::u16string_view path) override { return real().FileExists(path); }
    bool SaveShortcut(std::u16string_view path, const ShortcutContents& contents) override {
        return real().SaveShortcut(path, contents);
    }

    std::optional<std::u16string> program;

  private:
    static ShellServices& real() { return SystemShellServices(); }
    std::u16string desktop_;
};

class WindowsShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        root_ = fs::path(temp) / (L"quorvane desktop " + std::to_wstring(GetCurrentProcessId()));
        fs::remove_all(root_);
        desktop_ = root_ / L"Desktop";
        fs::create_directories(desktop_);
        shortcut_ = desktop_ / L"Quorvane.lnk";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    fs::path root_, desktop_, shortcut_;
};

TEST_F(WindowsShortcutTest, CleanDesktopGetsALinkToTheProgram) {
    TestDesktop shell(desktop_.u16string());
    PlaceDesktopShortcut(shell);
    ASSERT_TRUE(fs::exists(shortcut_));
    EXPECT_EQ(fs::directory_iterator(desktop_)->path(), shortcut_) << "one file only";

    const LinkFields fields = ReadLink(shortcut_);
    EXPECT_EQ(fields.path, *SystemShellServices().ProgramPath());
    EXPECT_EQ(fields.arguments, u"");
    EXPECT_EQ(fields.workingDirectory, u"");
    EXPECT_EQ(fields.description, desktop_.u16string()) << "the desktop directory, first attempt";

    // The shell-link header: its size, the shell link's class, and the show
    // command at 0x3C.
    const std::string bytes = ReadBytes(shortcut_);
    ASSERT_GE(bytes.size(), 0x4Cu);
    EXPECT_EQ(LittleEndian32(bytes, 0), 0x4Cu);
    EXPECT_EQ(bytes.substr(4, 16), std::string("\x01\x14\x02\x00\x00\x00\x00\x00"
                                               "\xC0\x00\x00\x00\x00\x00\x00\x46",
                                               16));
    EXPECT_EQ(LittleEndian32(bytes, 0x3C), static_cast<std::uint32_t>(SW_SHOW));
    // Wine 8 stores SW_SHOW (5) in the file, but GetShowCmd of a link loaded
    // from it answers SW_SHOWNORMAL (1); only the bytes above tell what was
    // saved there.
    if (RunningUnderWine()) {
        EXPECT_EQ(fields.showCommand, SW_SHOWNORMAL);
    } else {
        EXPECT_EQ(fields.showCommand, SW_SHOW);
    }
}

TEST_F(WindowsShortcutTest, ExistingFileIsNeverTouched) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const Case cases[] = {
        {"another copy's link",
         [this](const fs::path& p) {
             TestDesktop other(desktop_.u16string());
             other.program = u"C:\\elsewhere\\quorvane.exe";
             PlaceDesktopShortcut(other);
             ASSERT_TRUE(fs::exists(p));
         }},
        {"broken file",
         [](const fs::path& p) { std::ofstream(p, std::ios::binary) << "\xff junk"; }},
        {"directory", [](const fs::path& p) { fs::create_directory(p); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(shortcut_);
        c.make(shortcut_);
        const bool directory = fs::is_directory(shortcut_);
        const std::string before = directory ? "" : ReadBytes(shortcut_);
        const auto time = fs::last_write_time(shortcut_);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

        TestDesktop shell(desktop_.u16string());
        PlaceDesktopShortcut(shell);

        EXPECT_EQ(fs::is_directory(shortcut_), directory);
        EXPECT_EQ(fs::last_write_time(shortcut_), time);
        if (!directory) {
            EXPECT_EQ(ReadBytes(shortcut_), before);
        }
    }
}

TEST_F(WindowsShortcutTest, FoldersDecideWhetherAndWhereTheLinkIsMade) {
    struct Case {
        const char* name;
        std::u16string desktopName;    // the desktop's folder under the test's root
        std::u16string programFolder;  // relative to the root; empty: the real program
        bool made;
    };
    const Case cases[] = {
        {"runs from the desktop directory", u"Desktop", u"Desktop", false},
        {"differs only in case", u"Desktop", u"DESKTOP", true},
        {"in a folder below the desktop", u"Desktop", u"Desktop\\games", true},
        {"desktop directory as a prefix of the folder", u"Desktop", u"Desktop2", true},
        {"Chinese desktop folder", u"\u684C\u9762", u"", true},
        // "桌面ก" is "桌面?" in the ANSI code page, and no file name holds '?'.
        {"desktop folder outside the ANSI code page", u"\u684C\u9762\u0E01", u"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path desktop = root_ / c.desktopName;
        fs::remove_all(desktop);
        fs::create_directories(desktop);
        TestDesktop shell(desktop.u16string());
        if (!c.programFolder.empty())
            shell.program = (root_ / c.programFolder / L"quorvane.exe").u16string();
        PlaceDesktopShortcut(shell);
        const fs::path link = desktop / L"Quorvane.lnk";
        EXPECT_EQ(fs::exists(link), c.made);
        EXPECT_EQ(fs::directory_iterator(desktop) == fs::directory_iterator(), !c.made)
            << "nothing else in the desktop";
        if (c.made) {
            const LinkFields fields = ReadLink(link);
            EXPECT_EQ(fields.description, desktop.u16string());
            EXPECT_EQ(fields.path, shell.ProgramPath().value());
        }
        fs::remove_all(desktop);
    }
}

TEST(WindowsShellServicesTest, SystemFoldersAndProgram) {
    ShellServices& shell = SystemShellServices();
    for (SpecialFolder folder : {SpecialFolder::DesktopDirectory, SpecialFolder::Programs,
                                 SpecialFolder::Startup, SpecialFolder::Desktop}) {
        const auto path = shell.SpecialFolderPath(folder);
        ASSERT_TRUE(path.has_value());
        EXPECT_TRUE(fs::is_directory(fs::path(*path))) << ToUtf8(*path);
        EXPECT_NE(path->back(), u'\\') << ToUtf8(*path);
        EXPECT_EQ(path->substr(1, 2), u":\\") << ToUtf8(*path);
    }
    EXPECT_TRUE(shell.DesktopDirectoryResolves());

    const auto program = shell.ProgramPath();
    ASSERT_TRUE(program.has_value());
    EXPECT_EQ(fs::path(*program).filename(), fs::path(L"platform_tests.exe"));
    EXPECT_TRUE(fs::is_regular_file(fs::path(*program)));

    // Windows has no home-folder desktop, and compares paths as written.
    EXPECT_FALSE(shell.HomeFolderPath().has_value());
    EXPECT_EQ(shell.ResolvedPath(u"C:\\a\\..\\B\\."), u"C:\\a\\..\\B\\.");
}

TEST_F(WindowsShortcutTest, AnythingAtThePathCountsAsExisting) {
    std::ofstream(desktop_ / L"file", std::ios::binary) << "x";
    const struct {
        std::u16string path;
        bool exists;
    } cases[] = {
        {(desktop_ / L"file").u16string(), true},
        {desktop_.u16string(), true},
        {(desktop_ / L"missing").u16string(), false},
        {(desktop_ / L"missing folder" / L"file").u16string(), false},
        // Cannot be examined, so never written over.
        {(desktop_ / L"what?").u16string(), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SystemShellServices().FileExists(c.path), c.exists) << ToUtf8(c.path);
}

}  // namespace
