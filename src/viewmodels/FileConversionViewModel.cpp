#include "viewmodels/FileConversionViewModel.h"

#include "desktop/Alerts.h"
#include "desktop/Clipboard.h"
#include "desktop/FileDialogs.h"

namespace {

using ExportOutcome = FileConversionViewModel::ExportOutcome;

// Writes where the person chose; a cancelled dialog (empty path) writes nothing.
template <typename Write> ExportOutcome writeChosen(const QString& path, Write write) {
    if (path.isEmpty())
        return {};
    return write(path);
}

SaveFileRequest saveRequest(const ContentType& type, const QString& proposedName,
                            const pdf::Document& document) {
    SaveFileRequest request;
    request.contentTypes = {type};
    request.proposedName = proposedName;
    request.directory = FileDialogs::folderOf(document.path());
    return request;
}

} // namespace

pdf::DocumentPtr FileConversionViewModel::importImagesAsPDF() {
    OpenFileRequest request;
    // The filter for every image kind comes first: one selection can mix PNG, JPEG and TIFF.
    request.contentTypes = {ContentType::image(), ContentType::png(), ContentType::jpeg(),
                            ContentType::tiff(),  ContentType::bmp(), ContentType::gif()};
    request.allowsMultipleSelection = true;
    request.title = QStringLiteral("Select images to convert to PDF");
    const QStringList paths = FileDialogs::current()->openFiles(request);
    if (paths.isEmpty())
        return nullptr;
    try {
        return FileConversionService::imagesToPDF(paths);
    } catch (const FileConversionService::ConversionError&) {
        Alerts::current()->inform(QStringLiteral("No images imported"),
                                  QStringLiteral("None of the chosen files is an image that "
                                                 "can be read."));
        return nullptr;
    }
}

pdf::DocumentPtr FileConversionViewModel::clipboardToPDF() {
    const auto clipboard = Clipboard::current();
    if (auto document =
            FileConversionService::clipboardToPDF(clipboard->image(), clipboard->text()))
        return document;
    Alerts::current()->inform(QStringLiteral("Nothing to convert"),
                              QStringLiteral("The clipboard holds no image and no text."));
    return nullptr;
}

ExportOutcome FileConversionViewModel::exportPDFAsText(const pdf::Document& document,
                                                       const QString& fileName) {
    const auto request = saveRequest(ContentType::plainText(),
                                     FileConversionService::textFileName(fileName), document);
    return writeChosen(FileDialogs::current()->saveFile(request), [&](const QString& path) {
        return FileConversionService::writeText(document, path);
    });
}

ExportOutcome FileConversionViewModel::exportAnnotatedPDF(const pdf::Document& document,
                                                          const QString& fileName,
                                                          bool dropProtection) {
    const auto request = saveRequest(ContentType::pdf(),
                                     FileConversionService::annotatedFileName(fileName), document);
    return writeChosen(FileDialogs::current()->saveFile(request), [&](const QString& path) {
        return FileConversionService::writeAnnotatedPDF(document, path, dropProtection);
    });
}

ExportOutcome FileConversionViewModel::exportCurrentPageAsImage(const pdf::Document& document,
                                                                int pageIndex) {
    if (!document.page(pageIndex))
        return {};
    const auto request =
        saveRequest(ContentType::png(), FileConversionService::pageImageName(pageIndex), document);
    return writeChosen(FileDialogs::current()->saveFile(request), [&](const QString& path) {
        return FileConversionService::writePageImage(document, pageIndex, path);
    });
}

QString FileConversionViewModel::chooseExportFolder() {
    ChooseFolderRequest request;
    request.prompt = QStringLiteral("Export Here");
    request.canCreateDirectories = true;
    return FileDialogs::current()->chooseFolder(request);
}
