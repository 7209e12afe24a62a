#include "views/QtFileDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QWidget* parentWindow() {
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    return QApplication::activeWindow();
}

// Qt's own dialog everywhere: portal dialogs ignore the confirm-button title and the
// new-folder switch that callers rely on.
void prepare(QFileDialog& dialog, const QString& title, const QString& prompt) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(dialog.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    if (!prompt.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, prompt);
    dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
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
    prepare(dialog, request.title, request.prompt);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                       : QFileDialog::ExistingFile);
    if (!request.contentTypes.isEmpty())
        dialog.setNameFilters(nameFilters(request.contentTypes));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtFileDialogs::chooseFolder(const ChooseFolderRequest& request) {
    QFileDialog dialog(parentWindow());
    prepare(dialog, request.title, request.prompt);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Read-only hides the "Create New Folder" button.
    dialog.setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtFileDialogs::saveFile(const SaveFileRequest& request) {
    QFileDialog dialog(parentWindow());
    prepare(dialog, request.title, request.prompt);
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
    return dialog.selectedFiles().first();
}

void QtFileDialogs::install() {
    FileDialogs::install(std::make_shared<QtFileDialogs>());
}
