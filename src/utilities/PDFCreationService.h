#pragma once
// Renders composed pages into a new PDF document held in memory. Stateless.
#include "models/PageTemplate.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"

#include <QByteArray>
#include <QList>
#include <QSizeF>

#include <stdexcept>

class PdfDrawingContext;

class PDFCreationService {
public:
    class CreationError : public std::runtime_error {
    public:
        enum class Kind { contextCreationFailed, imageLoadFailed, documentCreationFailed };
        explicit CreationError(Kind kind);
        Kind kind() const { return kind_; }
        static const char* message(Kind kind);

    private:
        Kind kind_;
    };

    PDFCreationService() = delete;

    // One PDF page per entry, in list order. Throws CreationError.
    static pdf::DocumentPtr createDocument(const QList<PDFPageContent>& pages);
    // The same pages as PDF bytes, before they are opened. Throws CreationError.
    static QByteArray renderDocument(const QList<PDFPageContent>& pages);
    // One blank page of exactly `size` with the given background; nullptr when the
    // rendered document has no page. Throws CreationError.
    static pdf::PagePtr createBlankPage(QSizeF size, PageTemplate pageTemplate);

    // The pieces of a page, in surface coordinates (origin bottom-left) on a page of
    // `size`; exposed so other services draw the same backgrounds and blocks.
    static void drawBackground(PdfDrawingContext& context, PageTemplate pageTemplate, QSizeF size);
    static void drawLinedBackground(PdfDrawingContext& context, QSizeF size, double lineSpacing);
    static void drawGridBackground(PdfDrawingContext& context, QSizeF size);
    static void drawDotGridBackground(PdfDrawingContext& context, QSizeF size);
    static void drawTextBlock(PdfDrawingContext& context, const TextBlock& block,
                              double pageHeight);
    // False when the block's data is not a decodable image (the block is then skipped).
    static bool drawImageBlock(PdfDrawingContext& context, const ImageBlock& block,
                               double pageHeight);
};
