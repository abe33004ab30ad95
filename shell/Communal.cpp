#include "shell/Communal.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
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
QString& chosenOutputFolder() {
    static QString folder;
    return folder;
}

// Pic can live in the program folder when it is a folder there that we may write into, or when
// it can be made there.
bool canHoldPic(const QString& pic) {
    const QFileInfo info(pic);
    if (info.isDir())
        return info.isWritable();
    return !info.exists() && QDir().mkpath(pic);
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

void SetProgramFolder(const QString& folder) {
    programFolderOverride() = folder;
}

QString ChooseOutputFolder() {
    QString folder = ProgramFolder() + QStringLiteral("Pic");
    if (!canHoldPic(folder)) {
        // $XDG_DATA_HOME, or ~/.local/share when it is unset.
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 QStringLiteral("/zorna-text-to-image/Pic");
        QDir().mkpath(folder); // a failure shows later, when a conversion cannot write
    }
    chosenOutputFolder() = folder;
    return folder;
}

QString OutputFolder() {
    const QString& folder = chosenOutputFolder();
    return folder.isEmpty() ? ProgramFolder() + QStringLiteral("Pic") : folder;
}

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
