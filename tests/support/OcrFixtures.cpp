#include "OcrFixtures.h"

#include "pdf/document/Page.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace fixtures {

namespace {

constexpr double kLetterWidth = 612;
constexpr double kLetterHeight = 792;
constexpr double kMargin = 72;

QFont fixtureFont(double pointSize, int dpi) {
    QFont font("DejaVu Serif");
    font.setPixelSize(std::max(1, int(pointSize * dpi / 72.0 + 0.5)));
    return font;
}

QStringList words(const QString& text) {
    return text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

} // namespace

QString samplePassage() {
    return QStringLiteral(
        "The harbour office opened at seven, and by eight the queue of drivers reached the "
        "gate. Each of them carried a folder of papers: bills of lading, customs forms and "
        "the weighbridge tickets that nobody ever seemed to read. The clerk at the first "
        "window stamped every sheet twice, once for the port and once for the ministry, "
        "then slid the folder back under the glass without looking up.\n"
        "Nobody remembered when the second stamp had become necessary. Some said it dated "
        "from the flood of the old river, when half the records were lost and the ministry "
        "insisted on a copy of everything. Others claimed it was simply a habit that had "
        "outlived its reason, like the brass bell above the door that still rang at noon.\n"
        "By the afternoon the wind turned west and the cranes slowed down. The drivers "
        "waited in their cabs, listening to the radio, counting the ships that were still "
        "anchored outside the breakwater. A small boy sold coffee from a basket, and the "
        "price went up a little every hour until the last lorry finally drove away.");
}

QStringList wrapText(const QString& text, double pointSize, double widthPoints) {
    const QFontMetricsF metrics(fixtureFont(pointSize, 72));
    QStringList lines;
    for (const QString& paragraph : text.split('\n')) {
        QString line;
        for (const QString& word : words(paragraph)) {
            const QString candidate = line.isEmpty() ? word : line + ' ' + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > widthPoints) {
                lines << line;
                line = word;
            } else {
                line = candidate;
            }
        }
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

QImage blankPageImage(int dpi) {
    QImage image(int(kLetterWidth * dpi / 72), int(kLetterHeight * dpi / 72), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage textPageImage(const QStringList& lines, double pointSize, int dpi) {
    QImage image = blankPageImage(dpi);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = fixtureFont(pointSize, dpi);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font);
    const double pixelsPerPoint = dpi / 72.0;
    double baseline = kMargin * pixelsPerPoint + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(QPointF(kMargin * pixelsPerPoint, baseline), line);
        baseline += metrics.lineSpacing() * 1.15;
    }
    return image;
}

pdf::DocumentPtr imageOnlyDocument(const std::vector<QImage>& pages) {
    auto document = pdf::Document::create();
    for (const QImage& image : pages) {
        auto page = document->insertBlankPage(document->pageCount(), kLetterWidth, kLetterHeight);
        if (page && !image.isNull())
            page->addImageStamp(QRectF(0, 0, kLetterWidth, kLetterHeight), image);
    }
    return document;
}

pdf::DocumentPtr scannedDocument(const std::vector<QImage>& pages) {
    auto document = pdf::Document::create();
    for (const QImage& image : pages)
        document->insertImagePage(document->pageCount(), image, kLetterWidth, kLetterHeight);
    return document;
}

QRectF drawnWordBox(const QStringList& lines, const QString& word, double pointSize, int dpi) {
    const QFont font = fixtureFont(pointSize, dpi);
    const QFontMetricsF metrics(font);
    const double pixelsPerPoint = dpi / 72.0;
    double baseline = kMargin * pixelsPerPoint + metrics.ascent();
    for (const QString& line : lines) {
        const QStringList lineWords = line.split(' ');
        QString before;
        for (const QString& candidate : lineWords) {
            if (candidate == word) {
                const double x = kMargin * pixelsPerPoint + metrics.horizontalAdvance(before);
                const QRectF ink = metrics.tightBoundingRect(word).translated(x, baseline);
                return QRectF(ink.topLeft() / pixelsPerPoint, ink.size() / pixelsPerPoint);
            }
            before += candidate + ' ';
        }
        baseline += metrics.lineSpacing() * 1.15;
    }
    return {};
}

double wordAccuracy(const QString& reference, const QString& recognised) {
    const QStringList expected = words(reference);
    const QStringList actual = words(recognised);
    if (expected.isEmpty())
        return actual.isEmpty() ? 1.0 : 0.0;
    // Levenshtein distance over words, one row at a time.
    std::vector<int> previous(size_t(actual.size()) + 1), current(previous.size());
    for (size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= expected.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= actual.size(); ++j) {
            const int substitution =
                previous[size_t(j - 1)] + (expected[i - 1] == actual[j - 1] ? 0 : 1);
            current[size_t(j)] =
                std::min({substitution, previous[size_t(j)] + 1, current[size_t(j - 1)] + 1});
        }
        std::swap(previous, current);
    }
    return std::max(0.0, 1.0 - double(previous.back()) / double(expected.size()));
}

} // namespace fixtures
