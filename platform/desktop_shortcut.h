#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane::platform {

// The folders the shortcut logic asks about. On Windows: the shell's special
// folders of those names. On Linux: the XDG desktop directory for both desktop
// folders, the user's applications menu folder for the Start menu programs and
// the user's autostart folder for startup.
enum class SpecialFolder { DesktopDirectory, Programs, Startup, Desktop };

struct ShortcutContents {
    std::u16string target;
    std::u16string description;
    std::u16string name;
};

// The operating-system services the shortcut needs, so that the decisions can be
// exercised on fake folders.
class ShellServices {
  public:
    virtual ~ShellServices() = default;
    // Path without a trailing separator; nothing when it cannot be told.
    virtual std::optional<std::u16string> SpecialFolderPath(SpecialFolder folder) = 0;
    // Whether the shell can tell the desktop directory, asked before each
    // attempt to save the shortcut.
    virtual bool DesktopDirectoryResolves() {
        return SpecialFolderPath(SpecialFolder::DesktopDirectory).has_value();
    }
    virtual std::optional<std::u16string> ProgramPath() = 0;
    // The user's home folder, without a trailing separator; nothing when it
    // cannot be told, and always nothing on Windows, whose desktop is never
    // the home folder.
    virtual std::optional<std::u16string> HomeFolderPath() = 0;
    // The path with every symbolic link and "." or ".." step resolved; the
    // path as given when that cannot be done (nothing there, say). Windows
    // compares paths as they are written, so there it is the path as given.
    virtual std::u16string ResolvedPath(std::u16string_view path) = 0;
    // True for anything at the path, a dangling symbolic link included.
    virtual bool FileExists(std::u16string_view path) = 0;
    // Creates a new shortcut file. Linux never replaces anything already at
    // the path; Windows saves over a file that appears after FileExists said
    // there was none.
    virtual bool SaveShortcut(std::u16string_view path, const ShortcutContents& contents) = 0;
};

// The real services. Windows: the shell's special folders, the running
// executable, shell links. Linux: XDG folders under $HOME, the running
// executable, freedesktop desktop entries.
ShellServices& SystemShellServices();

inline constexpr std::u16string_view kProductName = u"Quorvane";
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
inline constexpr std::u16string_view kShortcutExtension = u".lnk";
#else
inline constexpr char16_t kPathSeparator = u'/';
inline constexpr std::u16string_view kShortcutExtension = u".desktop";
inline constexpr std::string_view kIconName = "quorvane";
#endif

// Makes sure the desktop holds a shortcut to the running program, unless the
// program runs from the desktop directory itself. The folders are compared
// with their links resolved, byte for byte in the ANSI code page, so a folder
// that differs only in letter case is another folder. Never reports anything.
void PlaceDesktopShortcut(ShellServices& shell = SystemShellServices());

// One attempt to save the shortcut file "<product>.lnk" (Linux:
// "<product>.desktop") on the desktop; an existing file, whatever it holds, is
// left alone, and nothing is saved when the desktop is the home folder (the
// freedesktop way of having no desktop). False only when the desktop directory
// cannot be told.
bool CreateShortcutFile(ShellServices& shell, std::u16string_view target,
                        std::u16string_view description, std::u16string_view productName);

#ifndef _WIN32
// The freedesktop desktop entry for a shortcut (exposed for tests).
std::string DesktopEntryText(const ShortcutContents& contents);
#endif

}  // namespace quorvane::platform
