#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/shell_open_url.h"

// The shell's "open" verb under Wine, seen through what the opened thing
// leaves behind.
//
// Not run here: a web address. Wine hands http and https addresses to its
// winebrowser, which looks for a browser of the host (xdg-open, firefox, ...).
// Without a display and without such a browser, ShellExecuteW still returns 33
// (the winebrowser process started) and winebrowser ends with exit code 1,
// showing nothing; with one, the test would open a browser on the host.

namespace {

namespace fs = std::filesystem;
using quorvane::platform::ShellOpenUrl;

class ShellOpenUrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        folder_ =
            fs::path(temp) / (L"quorvane shell open " + std::to_wstring(GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        marker_ = folder_ / L"marker.txt";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void WriteFile(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    // What the opened program wrote, once it has written it.
    std::string WaitForMarker() {
        for (int i = 0; i < 300 && !fs::exists(marker_); ++i) Sleep(100);
        // The writer may still hold the file; wait until it has let go.
        for (int i = 0; i < 50; ++i) {
            std::ifstream file(marker_, std::ios::binary);
            std::stringstream text;
            text << file.rdbuf();
            if (!text.str().empty()) return text.str();
            Sleep(100);
        }
        return {};
    }

    fs::path folder_, marker_;
};

TEST_F(ShellOpenUrlTest, OpensAFileWithItsProgram) {
    // A batch file runs in the command interpreter; the path has spaces.
    const fs::path script = folder_ / L"open me.bat";
    WriteFile(script, "@echo opened> \"%~dp0marker.txt\"\r\n");
    EXPECT_TRUE(ShellOpenUrl(script.u16string()));
    EXPECT_EQ(WaitForMarker(), "opened\r\n");
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// An address of a registered scheme reaches its handler whole, query and all,
// as an http address reaches the browser.
//
// Wine 8's shell does not look at schemes registered for the user alone
// (HKEY_CURRENT_USER\Software\Classes): ShellExecuteW answers 31,
// SE_ERR_NOASSOC. Windows merges them into HKEY_CLASSES_ROOT. Under Wine the
// scheme goes to HKEY_LOCAL_MACHINE, which the private prefix lets anyone write.
TEST_F(ShellOpenUrlTest, HandsAnAddressToTheHandlerOfItsScheme) {
    const fs::path handler = folder_ / L"handler.bat";
    WriteFile(handler, ">\"%~dp0marker.txt\" echo %1\r\n");
    const HKEY root = RunningUnderWine() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const wchar_t* const key = L"Software\\Classes\\quorvane-test";
    HKEY scheme = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scheme, nullptr),
              ERROR_SUCCESS);
    const std::wstring command = L"\"" + handler.wstring() + L"\" \"%1\"";
    const wchar_t flag[] = L"";
    RegSetValueExW(scheme, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(flag),
                   sizeof flag);
    RegSetKeyValueW(scheme, L"shell\\open\\command", nullptr, REG_SZ, command.c_str(),
                    static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(scheme);

    const bool opened = ShellOpenUrl(u"quorvane-test://link/jump1401.html?type=2&ver=17");
    const std::string marker = WaitForMarker();
    RegDeleteTreeW(root, key);
    EXPECT_TRUE(opened);
    EXPECT_EQ(marker, "\"quorvane-test://link/jump1401.html?type=2&ver=17\"\r\n");
}

TEST_F(ShellOpenUrlTest, NothingToOpenIsReportedAsFailure) {
    EXPECT_FALSE(ShellOpenUrl((folder_ / L"missing.bat").u16string()));
    EXPECT_FALSE(fs::exists(marker_));
}

}  // namespace
