#pragma once
// The FileDialogs seam on QFileDialog, window-modal over the active window. The
// application installs it at start-up with QtFileDialogs::install().
#include "desktop/FileDialogs.h"

class QFileDialog;
class QWidget;

class QtFileDialogs final : public FileDialogs {
public:
    QStringList openFiles(const OpenFileRequest& request) override;
    QString chooseFolder(const ChooseFolderRequest& request) override;
    QString saveFile(const SaveFileRequest& request) override;

    static void install();

    // The filter list a request turns into, e.g. {"PDF Document (*.pdf *.PDF)"}.
    static QStringList nameFilters(const QList<ContentType>& types);
};
