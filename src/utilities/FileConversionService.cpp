#include "utilities/FileConversionService.h"

#include "platform/Alerts.h"

#include "base/AtomicFile.h"
#include "models/PageComposition.h"

#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "models/PageTemplate.h"
#include "pdf/document/Page.h"
#include "pdf/document/PixelBudget.h"
#include "platform/Clipboard.h"
#include "platform/FileDialogs.h"
#include "utilities/PDFCreationService.h"
#include "utilities/PageImageExport.h"
#include "utilities/TextExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const char* FileConversionService::ConversionError::message(Kind kind) {
    switch (kind) {
    case Kind::noImage:
        return "Failed to load image";
    case Kind::noDocument:
        return "No document to convert";
    case Kind::exportFailed:
        return "Export failed";
    }
    return "Export failed";
}

pdf::DocumentPtr FileConversionService::importImagesAsPDF() {
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
        return imagesToPDF(paths);
    } catch (const ConversionError&) {
        Alerts::current()->inform(QStringLiteral("No images imported"),
                                  QStringLiteral("None of the chosen files is an image that "
                                                 "can be read."));
        return nullptr;
    }
}

QSizeF FileConversionService::naturalSize(const pdf::ImageInfo& info) {
    return naturalSizeInPoints(QSize(info.width, info.height), info.xDpi, info.yDpi);
}

pdf::DocumentPtr FileConversionService::imagesToPDF(const QStringList& paths) {
    auto document = pdf::Document::create();
    if (!document)
        throw ConversionError(ConversionError::Kind::noImage);
    for (const QString& path : paths) {
        // A FIFO or a device would never end; an image past the pixel budget is refused
        // before it is decoded.
        QFile file(path);
        if (!base::isRegularFile(path) || !file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        const pdf::ImageInfo info = pdf::probeImage(bytes);
        if (!pdf::withinPixelBudget(info.width, info.height))
            continue;
        const QSizeF size = naturalSize(info);
        document->insertImagePage(document->pageCount(), bytes, size.width(), size.height());
    }
    if (document->pageCount() == 0)
        throw ConversionError(ConversionError::Kind::noImage);
    return document;
}

pdf::DocumentPtr FileConversionService::clipboardToPDF() {
    auto clipboard = Clipboard::current();
    const QImage image = clipboard->image();
    if (!image.isNull() && image.width() > 0 && image.height() > 0) {
        auto document = pdf::Document::create();
        // Clipboard images carry no trustworthy resolution: one pixel is one point.
        if (document && document->insertImagePage(0, image, image.width(), image.height()))
            return document;
    }
    const QString text = clipboard->text();
    if (!text.isEmpty())
        return textToPDF(text, QSizeF(612, 792));
    Alerts::current()->inform(QStringLiteral("Nothing to convert"),
                              QStringLiteral("The clipboard holds no image and no text."));
    return nullptr;
}

pdf::DocumentPtr FileConversionService::textToPDF(const QString& text, QSizeF pageSize) {
    PDFPageContent page(PageTemplate::blank, PageSize::letter);
    TextBlock block;
    block.text = text;
    block.position = QPointF(50, 50);
    block.size = QSizeF(pageSize.width() - 100, pageSize.height() - 100);
    block.fontSize = 12;
    block.fontName = QStringLiteral("Helvetica");
    page.textBlocks.append(block);
    try {
        return PDFCreationService::createDocument({page});
    } catch (const std::exception&) {
        return nullptr;
    }
}

QString FileConversionService::pdfToText(const pdf::Document& document) {
    return TextExport::documentText(document);
}

QString FileConversionService::textFileName(const QString& fileName) {
    return QString(fileName).replace(QStringLiteral(".pdf"), QStringLiteral(".txt"));
}

QString FileConversionService::annotatedFileName(const QString& fileName) {
    // "Report.PDF" too: proposing the opened file's own name would invite overwriting it.
    return QString(fileName).replace(QStringLiteral(".pdf"), QStringLiteral("_annotated.pdf"),
                                     Qt::CaseInsensitive);
}

QString FileConversionService::pageImageName(int pageIndex) {
    return QStringLiteral("page_%1.png").arg(pageIndex + 1);
}

bool FileConversionService::writeFile(const QByteArray& bytes, const QString& path,
                                      QString* error) {
    return base::writeFile(path, bytes, error);
}

QImage FileConversionService::pageImage(const pdf::Page& page) {
    // The same picture, of the same size, as "Export All Pages" and the command line give.
    return PageImageExport::renderPage(page, 2.0);
}

bool FileConversionService::writePng(const QImage& image, const QString& path, QString* error) {
    if (image.isNull()) {
        if (error)
            *error =
                base::couldNotBeWritten(path, QStringLiteral("the page could not be rendered"));
        return false;
    }
    return writeFile(PageImageExport::encodePng(image), path, error);
}

FileConversionService::ExportOutcome
FileConversionService::exportPDFAsText(const pdf::Document& document, const QString& fileName) {
    const QString text = pdfToText(document);
    SaveFileRequest request;
    request.contentTypes = {ContentType::plainText()};
    request.proposedName = textFileName(fileName);
    request.directory = FileDialogs::folderOf(document.path());
    const QString path = FileDialogs::current()->saveFile(request);
    ExportOutcome outcome;
    outcome.path = path;
    if (path.isEmpty())
        return outcome;
    outcome.status = writeFile(text.toUtf8(), path, &outcome.message)
                         ? ExportOutcome::Status::written
                         : ExportOutcome::Status::failed;
    return outcome;
}

FileConversionService::ExportOutcome
FileConversionService::exportAnnotatedPDF(const pdf::Document& document, const QString& fileName,
                                          bool dropProtection) {
    const QString path = FileDialogs::current()->savePdf(annotatedFileName(fileName),
                                                         FileDialogs::folderOf(document.path()));
    ExportOutcome outcome;
    outcome.path = path;
    if (path.isEmpty())
        return outcome;
    QString why;
    pdf::WriteOptions options;
    // Only whoever holds the owner password may take the protection off.
    options.keepProtection = !(dropProtection && document.hasOwnerAccess());
    if (document.write(path, options, &why)) {
        outcome.status = ExportOutcome::Status::written;
    } else {
        outcome.status = ExportOutcome::Status::failed;
        outcome.message = base::couldNotBeWritten(path, why);
    }
    return outcome;
}

FileConversionService::ExportOutcome
FileConversionService::exportCurrentPageAsImage(const pdf::Document& document, int pageIndex) {
    ExportOutcome outcome;
    auto page = document.page(pageIndex);
    if (!page)
        return outcome;
    SaveFileRequest request;
    request.contentTypes = {ContentType::png()};
    request.proposedName = pageImageName(pageIndex);
    request.directory = FileDialogs::folderOf(document.path());
    const QString path = FileDialogs::current()->saveFile(request);
    outcome.path = path;
    if (path.isEmpty())
        return outcome;
    outcome.status = writePng(pageImage(*page), path, &outcome.message)
                         ? ExportOutcome::Status::written
                         : ExportOutcome::Status::failed;
    return outcome;
}

QString FileConversionService::chooseExportFolder() {
    ChooseFolderRequest request;
    request.prompt = QStringLiteral("Export Here");
    request.canCreateDirectories = true;
    return FileDialogs::current()->chooseFolder(request);
}
