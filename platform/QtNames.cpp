// Real file names behind the names that Qt shows.
#include "platform/qtnames.h"

#include "platform/fileapi.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

namespace platform {
namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The one entry of `folder` that Qt shows as `shown`; empty when there is none or several.
std::string entryShownAs(const std::string& folder, const QString& shown) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return {};
    std::string found;
    int matches = 0;
    while (const dirent* e = ::readdir(d)) {
        if (QFile::decodeName(e->d_name) == shown) {
            found = e->d_name;
            ++matches;
        }
    }
    ::closedir(d);
    return matches == 1 ? found : std::string();
}

}  // namespace

std::string fileNameFromQt(const QString& path) {
    const std::string direct = wideToFileName(path.toStdU16String());
    if (direct.empty() || exists(direct) || !path.contains(QChar(0xFFFD))) return direct;
    // Part by part from the start, each part the real name where Qt's does not exist.
    std::string out;
    qsizetype start = 0;
    if (path.startsWith(QLatin1Char('/'))) {
        out = "/";
        start = 1;
    }
    while (start <= path.size()) {
        qsizetype end = path.indexOf(QLatin1Char('/'), start);
        if (end < 0) end = path.size();
        const QString part = path.mid(start, end - start);
        if (!part.isEmpty()) {
            const std::string folder = out;
            if (!out.empty() && out.back() != '/') out += '/';
            std::string name = wideToFileName(part.toStdU16String());
            if (!exists(out + name) && part.contains(QChar(0xFFFD))) {
                const std::string real = entryShownAs(folder, part);
                if (!real.empty()) name = real;
            }
            out += name;
        }
        if (end == path.size()) break;
        start = end + 1;
    }
    if (path.endsWith(QLatin1Char('/')) && !out.empty() && out.back() != '/') out += '/';
    return out;
}

}  // namespace platform
