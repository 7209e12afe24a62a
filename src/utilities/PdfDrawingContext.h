#pragma once
// A PDF drawing context over cairo's PDF surface and Pango: the one place that knows
// about either. Coordinates are PDF user space of the current page (points, origin at
// the bottom-left corner, y up). Page boxes are taken exactly as given, fractions kept.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>

struct PdfTextStyle {
    QString fontName = QStringLiteral("Helvetica"); // a PostScript-style or family name
    double fontSize = 12;
    QColor color = Qt::black;
};

class PdfDrawingContext {
public:
    // Writes into an in-memory buffer; check isValid() before drawing.
    PdfDrawingContext();
    ~PdfDrawingContext();
    PdfDrawingContext(const PdfDrawingContext&) = delete;
    PdfDrawingContext& operator=(const PdfDrawingContext&) = delete;

    bool isValid() const;

    // A size that is not positive and finite fails the whole context.
    void beginPage(QSizeF size);
    void endPage();
    // Completes the file and hands over its bytes; empty when anything failed or no
    // page was begun.
    // No drawing is possible afterwards.
    QByteArray finish();

    // Colours carry the opacity in their alpha.
    void fillRect(const QRectF& rect, const QColor& color);
    // All lines form one path, stroked once.
    void strokeLines(const QList<QLineF>& lines, const QColor& color, double width);
    void fillEllipse(const QRectF& rect, const QColor& color);
    // Stretched to fill `rect`, no tiling, aspect ratio not kept. False for a null image.
    bool drawImage(const QImage& image, const QRectF& rect);
    // Sets `text` from the top of `rect` downward, wrapped at word boundaries (a word
    // wider than the rectangle breaks between characters). Lines that do not fit the
    // rectangle's height entirely are left out. Returns the number of lines drawn.
    int drawText(const QString& text, const QRectF& rect, const PdfTextStyle& style);

    // The installed family that stands in for a font name (Helvetica -> Nimbus Sans).
    static QString familyForFontName(const QString& fontName);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};
