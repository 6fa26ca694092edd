#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/code_page.h"
#include "platform/desktop_shortcut.h"

extern char** environ;

namespace quorvane::platform {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeDirectory() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return {};
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// An XDG base directory: the variable when it holds an absolute path,
// otherwise the default under the home directory.
std::string BaseDirectory(const char* variable, const std::string& home, const char* fallback) {
    std::string value = Env(variable);
    if (!value.empty() && value.front() == '/') return WithoutTrailingSlashes(value);
    return home + fallback;
}

// XDG_DESKTOP_DIR from user-dirs.dirs: a quoted value that is either
// "$HOME/..." or an absolute path, with shell-style backslash escapes.
std::optional<std::string> UserDirsDesktop(const std::string& configHome, const std::string& home) {
    std::ifstream file(configHome + "/user-dirs.dirs");
    std::string line;
    std::optional<std::string> found;
    while (std::getline(file, line)) {
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos || line.compare(i, 16, "XDG_DESKTOP_DIR=") != 0) continue;
        i += 16;
        if (i >= line.size() || line[i] != '"') continue;
        std::string value;
        bool closed = false;
        for (++i; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed) continue;
        if (value == "$HOME" || value.rfind("$HOME/", 0) == 0)
            found = WithoutTrailingSlashes(home + value.substr(5));
        else if (!value.empty() && value.front() == '/')
            found = WithoutTrailingSlashes(value);
    }
    return found;
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// GNOME's desktop launches a desktop entry only once it is marked trusted.
// Other desktops have no such mark, and a missing gio is no failure.
void MarkTrusted(const std::string& file) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    std::string program = "gio", verb = "set", type = "-t", typeName = "string",
                key = "metadata::trusted", value = "true", path = file;
    char* argv[] = {program.data(), verb.data(), type.data(),  typeName.data(),
                    path.data(),    key.data(),  value.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "gio", &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

class LinuxShellServices : public ShellServices {
  public:
    std::optional<std::u16string> SpecialFolderPath(SpecialFolder folder) override {
        const std::string home = HomeDirectory();
        if (home.empty()) return std::nullopt;
        switch (folder) {
            case SpecialFolder::DesktopDirectory:
            case SpecialFolder::Desktop: {
                const std::string configHome = BaseDirectory("XDG_CONFIG_HOME", home, "/.config");
                return FromUtf8(UserDirsDesktop(configHome, home).value_or(home + "/Desktop"));
            }
            case SpecialFolder::Programs:
                return FromUtf8(BaseDirectory("XDG_DATA_HOME", home, "/.local/share") +
                                "/applications");
            case SpecialFolder::Startup:
                return FromUtf8(BaseDirectory("XDG_CONFIG_HOME", home, "/.config") + "/autostart");
        }
        return std::nullopt;
    }

    std::optional<std::u16string> ProgramPath() override {
        std::error_code error;
        const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) return std::nullopt;
        return FromUtf8(path.string());
    }

    std::optional<std::u16string> HomeFolderPath() override {
        const std::string home = WithoutTrailingSlashes(HomeDirectory());
        if (home.empty()) return std::nullopt;
        return FromUtf8(home);
    }

    std::u16string ResolvedPath(std::u16string_view path) override {
        std::error_code error;
        const auto resolved = std::filesystem::canonical(ToUtf8(path), error);
        if (error) return std::u16string(path);
        return FromUtf8(resolved.string());
    }

    bool FileExists(std::u16string_view path) override {
        std::error_code error;
        const auto status = std::filesystem::symlink_status(ToUtf8(path), error);
        // Anything but a clear "nothing there" counts as present, so that a
        // path that cannot be examined is never written over.
        return status.type() != std::filesystem::file_type::not_found;
    }

    bool SaveShortcut(std::u16string_view path, const ShortcutContents& contents) override {
        const std::string file = ToUtf8(path);
        // O_EXCL with O_NOFOLLOW fails on anything already there, a dangling
        // symbolic link included, even if it appeared after the existence test.
        FileDescriptor fd(
            ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd.get() < 0) return false;
        struct stat info {};
        bool ok = WriteAll(fd.get(), DesktopEntryText(contents)) && ::fstat(fd.get(), &info) == 0;
        // Executable for whoever may read it, as chmod +x does; desktops refuse
        // to launch entries without the bit.
        if (ok) ok = ::fchmod(fd.get(), info.st_mode | ((info.st_mode & 0444) >> 2)) == 0;
        ok = ::close(fd.release()) == 0 && ok;
        if (!ok) {
            ::unlink(file.c_str());
            return false;
        }
        MarkTrusted(file);
        return true;
    }
};

// Escapes of the desktop entry format for string values.
std::string EscapeValue(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case ' ':
                out += i == 0 ? "\\s" : " ";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// One quoted argument of an Exec key: inside the quotes ", `, $ and \ take a
// backslash, and a literal % is doubled so it is not read as a field code.
std::string QuoteExecArgument(std::string_view argument) {
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace

ShellServices& SystemShellServices() {
    static LinuxShellServices services;
    return services;
}

std::string DesktopEntryText(const ShortcutContents& contents) {
    std::string text = "[Desktop Entry]\nType=Application\nVersion=1.0\n";
    text += "Name=" + EscapeValue(ToUtf8(contents.name)) + "\n";
    text += "Comment=" + EscapeValue(ToUtf8(contents.description)) + "\n";
    text += "Exec=" + EscapeValue(QuoteExecArgument(ToUtf8(contents.target))) + "\n";
    // The name the installed icons carry in the icon theme.
    text += "Icon=" + std::string(kIconName) + "\n";
    text += "Terminal=false\n";
    return text;
}

}  // namespace quorvane::platform
