#include "shell/Communal.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

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
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace Communal
