// A temporary home for the shell tests: HOME and the XDG variables point into a fresh
// folder (with Desktop and Documents), and are put back afterwards.
#pragma once

#include "testsupport/TestSupport.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace shelltest {

class ShellEnv {
public:
    ShellEnv() {
        home = dir.path() + "/home dir";
        set("HOME", home);
        set("XDG_DATA_HOME", home + "/.local/share");
        set("XDG_CONFIG_HOME", home + "/.config");
        set("XDG_CACHE_HOME", home + "/.cache");
        for (const char* sub : {"", "/.local", "/.local/share", "/.config", "/.cache", "/Desktop", "/Documents"})
            ::mkdir((home + sub).c_str(), 0755);
    }
    ~ShellEnv() {
        // Removed here: Qt cannot remove names that are not UTF-8.
        ::chmod(dir.path().c_str(), 0755);
        ::nftw(dir.path().c_str(), [](const char* p, const struct stat*, int, struct FTW* f) {
            if (f->level > 0) ::remove(p);
            return 0;
        }, 16, FTW_DEPTH | FTW_PHYS);
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }
    ShellEnv(const ShellEnv&) = delete;
    ShellEnv& operator=(const ShellEnv&) = delete;

    std::string trashFiles() const { return home + "/.local/share/Trash/files"; }
    std::string trashInfo() const { return home + "/.local/share/Trash/info"; }

    testsupport::TempDir dir;
    std::string home;

private:
    void set(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

inline bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

inline void write(const std::string& path, const std::string& text) {
    testsupport::writeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}

inline std::string read(const std::string& path) {
    const std::vector<unsigned char> bytes = testsupport::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// A sparse file of `size` bytes.
inline bool sparseFile(const std::string& path, long long size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool ok = ::ftruncate(fd, size) == 0;
    ::close(fd);
    return ok;
}

}  // namespace shelltest
