#pragma once
// The page content model: plain values describing composed pages (paper size,
// background, text and image blocks). Lengths are points; block positions are the
// top-left corner measured from the page's top-left corner, y growing downward.
#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringView>
#include <QUuid>

#include <optional>

enum class PageSize { a4, letter, legal, custom };
enum class PageTemplate { blank, lined, grid, dotGrid };

// All cases in picker order.
QList<PageSize> allPageSizes();
QList<PageTemplate> allPageTemplates();

// Construction from a raw value is exact and case-sensitive: "A4" names nothing.
std::optional<PageSize> pageSizeFromRawValue(QStringView raw);
std::optional<PageTemplate> pageTemplateFromRawValue(QStringView raw);

QString rawValue(PageSize size);
QString rawValue(PageTemplate pageTemplate);
QString displayName(PageSize size);
QString displayName(PageTemplate pageTemplate);
// Symbol name of the template's icon ("doc", "line.3.horizontal", ...).
QString icon(PageTemplate pageTemplate);

// The fixed paper size; for `custom` the fallback 612 x 792.
QSizeF fixedSize(PageSize size);

struct TextBlock {
    QUuid id = QUuid::createUuid();
    QString text;
    QPointF position;
    QSizeF size;
    double fontSize = 14;
    QString fontName = QStringLiteral("Helvetica");
};

struct ImageBlock {
    QUuid id = QUuid::createUuid();
    QByteArray imageData; // encoded bytes exactly as read; decoded only to show or draw
    QPointF position;
    QSizeF size; // the image is stretched to fill this rectangle
};

struct PDFPageContent {
    QUuid id = QUuid::createUuid();
    // `template` is a reserved word in C++, hence the longer name.
    PageTemplate pageTemplate = PageTemplate::blank;
    PageSize pageSize = PageSize::a4;
    std::optional<double> customWidth; // used only while pageSize is custom
    std::optional<double> customHeight;
    QList<TextBlock> textBlocks;   // drawn in this order
    QList<ImageBlock> imageBlocks; // drawn after all text blocks

    PDFPageContent() = default;
    PDFPageContent(PageTemplate pageTemplate, PageSize pageSize)
        : pageTemplate(pageTemplate), pageSize(pageSize) {}

    // Fixed sizes ignore the custom fields; a custom page falls back on 612 x 792
    // for each dimension on its own.
    QSizeF effectiveSize() const;
};

Q_DECLARE_METATYPE(PageSize)
Q_DECLARE_METATYPE(PageTemplate)
Q_DECLARE_METATYPE(TextBlock)
Q_DECLARE_METATYPE(ImageBlock)
Q_DECLARE_METATYPE(PDFPageContent)
