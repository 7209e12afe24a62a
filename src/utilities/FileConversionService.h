#pragma once
// Conversions between PDF and other forms: images and the clipboard's contents into new
// documents, documents into text files and PNG pages, and the annotated copy. Stateless:
// it takes paths and contents and returns outcomes; asking the person for them is the
// view models' part.
#include "pdf/document/Document.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace pdf {
class Page;
}

class FileConversionService {
public:
    class ConversionError : public std::runtime_error {
    public:
        enum class Kind { noImage, noDocument, exportFailed };
        explicit ConversionError(Kind kind) : std::runtime_error(message(kind)), kind_(kind) {}
        Kind kind() const { return kind_; }
        static const char* message(Kind kind);

    private:
        Kind kind_;
    };

    // What became of an export: the person cancelled the dialog, the file was written, or
    // writing failed (message names the file and the reason). The writers below only write
    // or fail; a cancel comes from the dialog flows above them.
    struct ExportOutcome {
        enum class Status { cancelled, written, failed };
        Status status = Status::cancelled;
        QString message;
        QString path;
        bool cancelled() const { return status == Status::cancelled; }
        bool failed() const { return status == Status::failed; }
    };

    // One page per loadable image, in order, each exactly the image's natural size in points.
    // Throws ConversionError(noImage) when no file gives a page.
    static pdf::DocumentPtr imagesToPDF(const QStringList& paths);
    // Natural size of an image in points: its pixel size at its stated resolution (72 dpi
    // when it states none).
    static QSizeF naturalSize(const pdf::ImageInfo& info);
    // What a clipboard held, as a new document: the image when there is one, else the
    // non-empty text on a letter page; nullptr when neither gives a page.
    static pdf::DocumentPtr clipboardToPDF(const QImage& image, const QString& text);
    // One US Letter page with `text` in 12-point Helvetica in the block (50, 50) of
    // pageSize less 100 points each way; nullptr on failure.
    static pdf::DocumentPtr textToPDF(const QString& text, QSizeF pageSize);
    static QString pdfToText(const pdf::Document& document);

    // File names proposed by the export dialogs.
    static QString textFileName(const QString& fileName);      // report.pdf -> report.txt
    static QString annotatedFileName(const QString& fileName); // report.pdf -> report_annotated.pdf
    static QString pageImageName(int pageIndex);               // 4 -> page_5.png

    // The document's text as UTF-8 at `path`.
    static ExportOutcome writeText(const pdf::Document& document, const QString& path);
    // The document with its annotations at `path`. The copy keeps the document's encryption
    // and permissions unless `dropProtection` is asked by someone who opened it with the
    // owner password.
    static ExportOutcome writeAnnotatedPDF(const pdf::Document& document, const QString& path,
                                           bool dropProtection = false);
    // The page at `pageIndex` as a PNG (pageImage) at `path`.
    static ExportOutcome writePageImage(const pdf::Document& document, int pageIndex,
                                        const QString& path);

    // The page at twice its point size (144 dpi), on white.
    static QImage pageImage(const pdf::Page& page);
    // Writes a PNG atomically; false with *error naming the file and the reason.
    static bool writePng(const QImage& image, const QString& path, QString* error);
    // Writes bytes atomically; false with *error naming the file and the reason.
    static bool writeFile(const QByteArray& bytes, const QString& path, QString* error);
};
