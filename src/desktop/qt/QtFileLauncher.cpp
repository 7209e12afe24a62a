#include "desktop/qt/QtFileLauncher.h"

#include <QDesktopServices>
#include <QUrl>

bool QtFileLauncher::openWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtFileLauncher::install() {
    FileLauncher::install(std::make_shared<QtFileLauncher>());
}
