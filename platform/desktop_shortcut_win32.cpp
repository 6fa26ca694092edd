#include <windows.h>
// The shell's headers need windows.h first.
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "platform/code_page.h"
#include "platform/desktop_shortcut.h"

namespace quorvane::platform {
namespace {

// Owns one reference to a COM interface.
template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* operator->() const { return pointer_; }
    // For the calls that hand out a new reference.
    Interface** Receive() {
        Reset();
        return &pointer_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  private:
    void Reset() {
        if (pointer_ != nullptr) pointer_->Release();
        pointer_ = nullptr;
    }
    Interface* pointer_ = nullptr;
};

// The thread's COM apartment for the span of one save. A thread that already
// has one (the GUI thread has) gets S_FALSE, which counts as entered and is
// balanced by CoUninitialize like S_OK. A thread whose apartment is of the
// other kind cannot enter, and must not uninitialise what it did not start.
class ComApartment {
  public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (Entered()) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool Entered() const { return SUCCEEDED(result_); }

  private:
    HRESULT result_;
};

std::u16string FromWide(const wchar_t* text) {
    std::u16string result;
    for (; *text != L'\0'; ++text) result.push_back(static_cast<char16_t>(*text));
    return result;
}

std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

// The program handles these paths as text in the ANSI code page, so what
// reaches the shell is what that code page can hold: a character it lacks
// arrives as '?', which no file name may contain.
std::wstring AnsiForm(std::u16string_view text) {
    return ToWide(FromAnsi(ToAnsi(text)));
}

int FolderId(SpecialFolder folder) {
    switch (folder) {
        case SpecialFolder::DesktopDirectory:
            return CSIDL_DESKTOPDIRECTORY;
        case SpecialFolder::Programs:
            return CSIDL_PROGRAMS;
        case SpecialFolder::Startup:
            return CSIDL_STARTUP;
        case SpecialFolder::Desktop:
            return CSIDL_DESKTOP;
    }
    return CSIDL_DESKTOP;
}

class WindowsShellServices : public ShellServices {
  public:
    std::optional<std::u16string> SpecialFolderPath(SpecialFolder folder) override {
        wchar_t path[MAX_PATH] = {};
        if (!SHGetSpecialFolderPathW(nullptr, path, FolderId(folder), FALSE)) return std::nullopt;
        return FromWide(path);
    }

    // Asked through the desktop directory's item list, the shell's own form
    // of a folder, rather than through its path.
    bool DesktopDirectoryResolves() override {
        ComPtr<IMalloc> allocator;
        if (FAILED(SHGetMalloc(allocator.Receive()))) return false;
        LPITEMIDLIST items = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &items)))
            return false;
        wchar_t path[MAX_PATH] = {};
        const BOOL resolved = SHGetPathFromIDListW(items, path);
        allocator->Free(items);
        return resolved != FALSE;
    }

    // A path longer than the classic limit would come back cut short, and a
    // shortcut to it would lead nowhere.
    std::optional<std::u16string> ProgramPath() override {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return std::nullopt;
        return FromWide(path);
    }

    std::optional<std::u16string> HomeFolderPath() override { return std::nullopt; }

    std::u16string ResolvedPath(std::u16string_view path) override { return std::u16string(path); }

    bool FileExists(std::u16string_view path) override {
        if (GetFileAttributesW(AnsiForm(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        // Anything but a clear "nothing there" counts as present, so that a
        // path that cannot be examined is never written over.
        const DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }

    bool SaveShortcut(std::u16string_view path, const ShortcutContents& contents) override {
        ComApartment apartment;
        if (!apartment.Entered()) return false;
        ComPtr<IShellLinkW> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.ReceiveVoid())))
            return false;
        link->SetPath(AnsiForm(contents.target).c_str());
        link->SetDescription(AnsiForm(contents.description).c_str());
        link->SetShowCmd(SW_SHOW);
        ComPtr<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return false;
        // TRUE: the saved file becomes the object's current file.
        return SUCCEEDED(file->Save(AnsiForm(path).c_str(), TRUE));
    }
};

}  // namespace

ShellServices& SystemShellServices() {
    static WindowsShellServices services;
    return services;
}

}  // namespace quorvane::platform
