#include "utilities/FileConversionService.h"

#include "base/AtomicFile.h"
#include "base/InputFiles.h"
#include "models/PageComposition.h"
#include "models/PageTemplate.h"
#include "pdf/document/Page.h"
#include "pdf/document/PixelBudget.h"
#include "utilities/PDFCreationService.h"
#include "utilities/PageImageExport.h"
#include "utilities/TextExport.h"

#include <QFile>

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

pdf::DocumentPtr FileConversionService::clipboardToPDF(const QImage& image, const QString& text) {
    if (!image.isNull() && image.width() > 0 && image.height() > 0) {
        auto document = pdf::Document::create();
        // Clipboard images carry no trustworthy resolution: one pixel is one point.
        if (document && document->insertImagePage(0, image, image.width(), image.height()))
            return document;
    }
    if (!text.isEmpty())
        return textToPDF(text, QSizeF(612, 792));
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

namespace {

FileConversionService::ExportOutcome outcomeOf(bool written, const QString& path,
                                               const QString& message) {
    FileConversionService::ExportOutcome outcome;
    outcome.path = path;
    outcome.status = written ? FileConversionService::ExportOutcome::Status::written
                             : FileConversionService::ExportOutcome::Status::failed;
    if (!written)
        outcome.message = message;
    return outcome;
}

} // namespace

FileConversionService::ExportOutcome FileConversionService::writeText(const pdf::Document& document,
                                                                      const QString& path) {
    QString why;
    const bool written = writeFile(pdfToText(document).toUtf8(), path, &why);
    return outcomeOf(written, path, why);
}

FileConversionService::ExportOutcome
FileConversionService::writeAnnotatedPDF(const pdf::Document& document, const QString& path,
                                         bool dropProtection) {
    QString why;
    pdf::WriteOptions options;
    // Only whoever holds the owner password may take the protection off.
    options.keepProtection = !(dropProtection && document.hasOwnerAccess());
    const bool written = document.write(path, options, &why);
    return outcomeOf(written, path, written ? QString() : base::couldNotBeWritten(path, why));
}

FileConversionService::ExportOutcome
FileConversionService::writePageImage(const pdf::Document& document, int pageIndex,
                                      const QString& path) {
    // A page that is not there is a page that could not be rendered.
    auto page = document.page(pageIndex);
    QString why;
    const bool written = writePng(page ? pageImage(*page) : QImage(), path, &why);
    return outcomeOf(written, path, why);
}
