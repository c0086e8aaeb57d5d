// ShellExecute over the desktop's associated programs.
#include "platform/shellexec.h"
#include "platform/codepage.h"
#include "platform/fileapi.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QUrl>

#include <sys/stat.h>

namespace {

platform::ShellOpenHandler& handler() {
    static platform::ShellOpenHandler h;
    return h;
}

HINSTANCE result(int code) { return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(code)); }

bool isUrl(const QString& s) {
    static const char* const schemes[] = {"http:", "https:", "ftp:", "mailto:", "file:"};
    for (const char* scheme : schemes)
        if (s.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return true;
    return false;
}

HINSTANCE execute(const QString& verb, const QString& file, const QString& directory) {
    const QString v = verb.isEmpty() ? QStringLiteral("open") : verb.toLower();
    if (v != QLatin1String("open") && v != QLatin1String("explore")) return result(SE_ERR_NOASSOC);
    if (file.isEmpty()) return result(SE_ERR_FNF);
    QUrl url;
    if (isUrl(file)) {
        url = QUrl(file);
        if (!url.isValid()) return result(SE_ERR_FNF);
        if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return result(SE_ERR_FNF);
    } else {
        // In the bytes of the file system, so names that are not UTF-8 open too.
        std::string path = platform::wideToFileName(file.toStdU16String());
        if (path[0] != '/' && !directory.isEmpty())
            path = platform::wideToFileName(directory.toStdU16String()) + "/" + path;
        if (path[0] != '/') path = QDir::currentPath().toStdString() + "/" + path;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            const std::string folder = path.substr(0, path.find_last_of('/') + 1);
            return result(::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? SE_ERR_FNF : SE_ERR_PNF);
        }
        const QByteArray bytes = QByteArray::fromStdString(path);
        const QString text = QString::fromUtf8(bytes);
        // A URL keeps bytes that are not UTF-8 percent-encoded as they are.
        url = text.toUtf8() == bytes ? QUrl::fromLocalFile(text)
                                     : QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
    }
    const std::string u = url.toString(QUrl::FullyEncoded).toStdString();
    const bool ok = handler() ? handler()(v.toStdString(), u) : QDesktopServices::openUrl(url);
    return result(ok ? 42 : SE_ERR_NOASSOC);
}

QString fromAnsi(LPCSTR s) {
    if (!s) return {};
    const std::u16string w = platform::ansiToWide(s);
    return QString::fromUtf16(w.data(), static_cast<qsizetype>(w.size()));
}

QString fromWide(LPCWSTR s) { return s ? QString::fromUtf16(s) : QString(); }

}  // namespace

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR directory, int) {
    return execute(fromAnsi(operation), fromAnsi(file), fromAnsi(directory));
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR operation, LPCWSTR file, LPCWSTR, LPCWSTR directory, int) {
    return execute(fromWide(operation), fromWide(file), fromWide(directory));
}

namespace platform {

ShellOpenHandler setShellOpenHandler(ShellOpenHandler h) {
    ShellOpenHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

}  // namespace platform
