// ShellExecute over the desktop's associated programs.
#include "platform/shellexec.h"
#include "platform/codepage.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QUrl>

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
        QString path = file;
        if (QFileInfo(path).isRelative() && !directory.isEmpty()) path = QDir(directory).filePath(path);
        const QFileInfo info(path);
        if (!info.exists()) return result(info.dir().exists() ? SE_ERR_FNF : SE_ERR_PNF);
        url = QUrl::fromLocalFile(info.absoluteFilePath());
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
