#include "platform/desktop_shortcut.h"

#include "platform/code_page.h"

// The decisions about the shortcut, the same on every system; what differs
// between systems lies behind ShellServices.

namespace quorvane::platform {
namespace {

// Everything before the last separator; nothing for a bare name. The separator
// is searched in UTF-16, where no other character can hold its code, unlike
// the second byte of a double-byte character in the ANSI form.
std::u16string FolderOf(std::u16string_view path) {
    const std::size_t separator = path.rfind(kPathSeparator);
    return std::u16string(separator == std::u16string_view::npos ? std::u16string_view()
                                                                 : path.substr(0, separator));
}

}  // namespace

bool CreateShortcutFile(ShellServices& shell, std::u16string_view target,
                        std::u16string_view description, std::u16string_view productName) {
    if (!shell.DesktopDirectoryResolves()) return false;
    const auto desktop = shell.SpecialFolderPath(SpecialFolder::Desktop);
    if (!desktop) return true;
    const auto home = shell.HomeFolderPath();
    if (home && shell.ResolvedPath(*desktop) == shell.ResolvedPath(*home)) return true;
    std::u16string path = *desktop;
    path += kPathSeparator;
    path += productName;
    path += kShortcutExtension;
    if (!shell.FileExists(path)) {
        shell.SaveShortcut(path,
                           ShortcutContents{std::u16string(target), std::u16string(description),
                                            std::u16string(productName)});
    }
    return true;
}

void PlaceDesktopShortcut(ShellServices& shell) {
    const auto program = shell.ProgramPath();
    if (!program) return;
    const std::u16string desktopDirectory =
        shell.SpecialFolderPath(SpecialFolder::DesktopDirectory).value_or(u"");
    const std::u16string programs = shell.SpecialFolderPath(SpecialFolder::Programs).value_or(u"");
    const std::u16string startup = shell.SpecialFolderPath(SpecialFolder::Startup).value_or(u"");

    // On Linux the running program's path comes with its links resolved
    // while the desktop directory is built from $HOME, which may run through
    // one; only the resolved forms tell whether they are the same folder.
    const std::u16string programFolder = shell.ResolvedPath(FolderOf(*program));
    if (ToAnsi(programFolder) == ToAnsi(shell.ResolvedPath(desktopDirectory))) return;
    for (const std::u16string* description : {&desktopDirectory, &programs, &startup})
        CreateShortcutFile(shell, *program, *description, kProductName);
}

}  // namespace quorvane::platform
