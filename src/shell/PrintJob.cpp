#include "shell/PrintJob.h"

#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace {

// The page's text, line by line, nearly transparent: a PDF reader finds and copies it, a
// sheet of paper does not show it.
void layText(QPainter& painter, const pdf::Page& page, const QTransform& toSheet) {
    const auto text = page.textPage();
    if (!text || text->isEmpty())
        return;
    const QTransform toDisplay = page.pageToDisplay() * toSheet;
    painter.save();
    painter.setPen(QColor(0, 0, 0, 1));
    QFont font(QStringLiteral("Helvetica"));
    for (const pdf::TextLine& line : text->lines()) {
        const QString words = text->text(line.first, line.last).trimmed();
        const QRectF box = toDisplay.mapRect(line.box);
        if (words.isEmpty() || box.height() < 1 || box.width() < 1)
            continue;
        font.setPixelSize(std::max(1, int(box.height() * 0.8)));
        const QFontMetricsF metrics(font, painter.device());
        const double natural = metrics.horizontalAdvance(words);
        if (natural <= 0)
            continue;
        painter.save();
        painter.setFont(font);
        painter.translate(box.left(), box.bottom() - metrics.descent());
        painter.scale(box.width() / natural, 1.0);
        painter.drawText(QPointF(0, 0), words);
        painter.restore();
    }
    painter.restore();
}

} // namespace

PrintJob::PrintJob(QObject* parent) : QObject(parent) {
    qRegisterMetaType<PrintJob::Result>("PrintJob::Result");
}

PrintJob::~PrintJob() {
    cancel();
    task_.wait();
}

std::vector<int> PrintJob::pageSequence(const QPrinter& printer, int pageCount, int currentPage) {
    std::vector<int> range;
    if (pageCount <= 0)
        return range;
    int first = 0, last = pageCount - 1;
    if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = std::clamp(currentPage, 0, pageCount - 1);
    } else if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage() - 1, 0, pageCount - 1);
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() - 1 : last, first, pageCount - 1);
    }
    for (int i = first; i <= last; ++i)
        range.push_back(i);
    // A printer that makes the copies itself gets one; otherwise each is sent.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    std::vector<int> out;
    if (printer.collateCopies()) {
        for (int c = 0; c < copies; ++c)
            out.insert(out.end(), range.begin(), range.end());
    } else {
        for (int page : range)
            out.insert(out.end(), size_t(copies), page);
    }
    return out;
}

PrintJob::Result PrintJob::print(const pdf::Document& document, QPrinter& printer,
                                 const PrintChoice& choice, const std::vector<int>& pages,
                                 const std::function<void(int, int)>& progress,
                                 const base::CancelToken* cancel) {
    Result result;
    if (pages.empty()) {
        result.error = QCoreApplication::translate("PrintJob", "There are no pages to print.");
        return result;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        result.error = QCoreApplication::translate("PrintJob", "The printer could not be started.");
        return result;
    }
    const bool keepText = printer.outputFormat() == QPrinter::PdfFormat;
    const double dpi = printer.resolution();
    // The painter's origin is the printable area's corner, in device pixels.
    const QRectF area(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    const int total = int(pages.size());
    for (int k = 0; k < total; ++k) {
        if (cancel && cancel->isCancelled()) {
            result.cancelled = true;
            break;
        }
        if (k > 0 && !printer.newPage()) {
            result.error =
                QCoreApplication::translate("PrintJob", "The printer took no more pages.");
            break;
        }
        const auto page = document.page(pages[size_t(k)]);
        if (page) {
            const QSizeF points = page->displaySize();
            // Device pixels per point: fitted into the printable area, or at actual size.
            double perPoint = dpi / 72.0;
            if (choice.fitToPage && points.width() > 0 && points.height() > 0)
                perPoint = std::min(area.width() / points.width(), area.height() / points.height());
            const QSizeF size = points * perPoint;
            const QRectF target(area.center() - QPointF(size.width(), size.height()) / 2, size);
            const double renderScale = std::min(perPoint, kMaxDpi / 72.0);
            const QImage image = page->render(renderScale);
            if (!image.isNull()) {
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(target, image);
            }
            if (keepText) {
                QTransform toSheet;
                toSheet.translate(target.left(), target.top());
                toSheet.scale(perPoint, perPoint);
                layText(painter, *page, toSheet);
            }
        }
        ++result.printed;
        if (progress)
            progress(k + 1, total);
    }
    if (result.cancelled)
        printer.abort();
    painter.end();
    return result;
}

void PrintJob::start(const pdf::DocumentPtr& document, std::unique_ptr<QPrinter> printer,
                     const PrintChoice& choice, const std::vector<int>& pages) {
    if (!document || !printer)
        return;
    task_.wait(); // the last run has reported its end and is only returning
    printer_ = std::move(printer);
    base::Task::Handlers handlers;
    handlers.progress = [this](int done, int total) { emit progressed(done, total); };
    handlers.failed = [this](const QString& error) { emit finished(Result{0, false, error}); };
    // The printer is painted on the task's thread alone until the run ends (Qt allows
    // painting on a printer outside the main thread).
    task_ = base::Task::run(
        this,
        [document, target = printer_, choice, pages](base::TaskContext& context) {
            return print(
                *document, *target, choice, pages,
                [&context](int done, int total) { context.progress(done, total); },
                &context.cancelToken());
        },
        [this](const Result& result) { emit finished(result); }, handlers);
}

void PrintJob::cancel() {
    task_.cancel();
}

bool PrintJob::isRunning() const {
    return task_.isRunning();
}

void PrintJob::wait() {
    task_.wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
