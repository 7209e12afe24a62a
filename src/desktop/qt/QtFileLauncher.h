#pragma once
// The FileLauncher seam on the desktop's own "open with" (xdg-open and its kin, through
// QDesktopServices). The application installs it at start-up.
#include "desktop/FileLauncher.h"

class QtFileLauncher final : public FileLauncher {
public:
    bool openWithDesktop(const QString& path) override;
    static void install();
};
