#include "desktop/qt/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QWidget* parentWindow() {
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    return QApplication::activeWindow();
}

// Where the last dialog was answered, for this run; else Documents, else home.
QString& lastDirectory() {
    static QString dir;
    return dir;
}

// The caller's folder (the document's own) when it still exists, else where the last
// dialog was answered.
QString startDirectory(const QString& requested) {
    if (!requested.isEmpty() && QFileInfo(requested).isDir())
        return requested;
    if (!lastDirectory().isEmpty() && QFileInfo(lastDirectory()).isDir())
        return lastDirectory();
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(docs).isDir() ? docs : QDir::homePath();
}

void remember(const QString& chosen, bool isFolder) {
    if (!chosen.isEmpty())
        lastDirectory() = isFolder ? chosen : QFileInfo(chosen).absolutePath();
}

// Qt's own dialog everywhere: portal dialogs ignore the confirm-button title and the
// new-folder switch that callers rely on.
void prepare(QFileDialog& dialog, const QString& title, const QString& prompt,
             const QString& directory = {}) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(dialog.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    if (!prompt.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, prompt);
    dialog.setDirectory(startDirectory(directory));
    // "Report.Pdf" is as much a PDF as "report.pdf": filters match any letter case.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
}

} // namespace

QStringList QtFileDialogs::nameFilters(const QList<ContentType>& types) {
    QStringList filters;
    for (const ContentType& t : types)
        filters << t.nameFilter();
    return filters;
}

QStringList QtFileDialogs::openFiles(const OpenFileRequest& request) {
    QFileDialog dialog(parentWindow());
    prepare(dialog, request.title, request.prompt, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                       : QFileDialog::ExistingFile);
    if (!request.contentTypes.isEmpty())
        dialog.setNameFilters(nameFilters(request.contentTypes));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty())
        remember(files.first(), false);
    return files;
}

QString QtFileDialogs::chooseFolder(const ChooseFolderRequest& request) {
    QFileDialog dialog(parentWindow());
    prepare(dialog, request.title, request.prompt, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Read-only hides the "Create New Folder" button.
    dialog.setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    remember(dialog.selectedFiles().first(), true);
    return dialog.selectedFiles().first();
}

QString QtFileDialogs::saveFile(const SaveFileRequest& request) {
    QFileDialog dialog(parentWindow());
    prepare(dialog, request.title, request.prompt, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.contentTypes.isEmpty()) {
        dialog.setNameFilters(nameFilters(request.contentTypes));
        if (!request.contentTypes.first().extensions.isEmpty())
            dialog.setDefaultSuffix(request.contentTypes.first().extensions.first());
    }
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    remember(dialog.selectedFiles().first(), false);
    return dialog.selectedFiles().first();
}

void QtFileDialogs::install() {
    FileDialogs::install(std::make_shared<QtFileDialogs>());
}
