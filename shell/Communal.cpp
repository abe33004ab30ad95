#include "shell/Communal.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace Communal {
namespace {
QString& programFolderOverride() {
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFolder() {
    QString folder = programFolderOverride();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath(); // resolved from /proc/self/exe
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void SetProgramFolder(const QString& folder) { programFolderOverride() = folder; }

void OpenFolderInExplorer(const QString& path) {
#ifdef Q_OS_WIN
    const std::wstring parameter = QDir::toNativeSeparators(path).toStdWString();
    ShellExecuteW(nullptr, L"open", L"explorer.exe", parameter.c_str(), nullptr, SW_SHOW);
#else
    // The desktop's opener gets the path as its one argument; no shell sees it.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty() || !QProcess::startDetached(opener, {path}))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

} // namespace Communal
