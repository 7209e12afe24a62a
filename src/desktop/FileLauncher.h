#pragma once
// The seam for handing a file to the desktop's own application for its kind (what a
// double click in the file manager does). Nothing is ever run by the program itself. The
// application installs the desktop's launcher at start-up; until then, and in tests unless
// they install their own, nothing is launched and the call says so.
#include <QString>

#include <memory>

class FileLauncher {
public:
    virtual ~FileLauncher() = default;
    // True when the desktop took the file.
    virtual bool openWithDesktop(const QString& path) = 0;

    static std::shared_ptr<FileLauncher> current();
    // Replaces the implementation (nullptr: back to launching nothing); returns the previous.
    static std::shared_ptr<FileLauncher> install(std::shared_ptr<FileLauncher> launcher);
};
