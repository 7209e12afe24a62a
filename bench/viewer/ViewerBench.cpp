// Page view benchmark, offscreen. For a 1000-page document: time from opening to the
// first page painted sharp (against `mutool draw` rendering that page at the same
// resolution, in the same run), time to repaint a cached page, and peak memory after
// scrolling through every page at 150 %.
//
//   bench_viewer [--pages N] [--file some.pdf]
//   bench_viewer --screenshots DIR [some.pdf]   (run under xvfb-run; one PNG per layout)
#include "TextPdfBuilder.h"

#include "pageview/PageRenderer.h"
#include "pageview/PasswordPromptWidget.h"
#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"

#include "pdf/document/Document.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSplitter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kZoom = 1.5;

double peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double currentRssMb() {
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096 / (1024.0 * 1024.0) : 0;
}

// CPU time of the calling thread: what a paint costs, whatever else the machine runs.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs the event loop until the view paints every visible page sharp.
bool waitSharp(PdfPageView& view, int timeoutMs = 60000) {
    view.viewport()->repaint();
    if (view.lastPaintWasSharp())
        return true;
    QEventLoop loop;
    bool sharp = false;
    auto c = QObject::connect(&view, &PdfPageView::painted, &loop, [&](bool s) {
        if (s) {
            sharp = true;
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    view.viewport()->update();
    loop.exec();
    QObject::disconnect(c);
    return sharp;
}

double openToFirstSharpMs(const QString& path) {
    PdfPageView view;
    view.resize(1000, 1300);
    view.setScaleFactor(kZoom);
    view.show();
    QCoreApplication::processEvents();
    QElapsedTimer t;
    t.start();
    auto doc = pdf::Document::open(path);
    if (!doc)
        return -1;
    const double opened = t.nsecsElapsed() / 1e6;
    view.setDocument(doc);
    const double laidOut = t.nsecsElapsed() / 1e6;
    if (!waitSharp(view))
        return -1;
    const double total = t.nsecsElapsed() / 1e6;
    std::printf("  open %.1f ms, layout %.1f ms, first sharp paint %.1f ms\n", opened,
                laidOut - opened, total - laidOut);
    return total;
}

double mutoolMs(const QString& path) {
    const QString mutool = QStandardPaths::findExecutable("mutool");
    if (mutool.isEmpty())
        return -1;
    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(mutool, {"draw", "-q", "-r", QString::number(72 * kZoom), "-o",
                     dir.filePath("page.png"), path, "1"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e6;
}

int benchmark(int pages, QString path) {
    QTemporaryDir dir;
    if (path.isEmpty()) {
        path = dir.filePath("bench.pdf");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(fixtures::buildNumberedPdf(pages, 45)) < 0)
            return 1;
    }
    std::printf("document: %s\n", qPrintable(path));
    std::printf("baseline memory: %.1f MB\n", currentRssMb());

    std::vector<double> ours, theirs;
    for (int i = 0; i < 5; ++i) {
        ours.push_back(openToFirstSharpMs(path));
        theirs.push_back(mutoolMs(path));
    }
    const double o = median(ours), m = median(theirs);
    std::printf(
        "open to first sharp page (150%%): %.1f ms   mutool draw same page: %.1f ms   ratio %.2f\n",
        o, m, m > 0 ? o / m : 0.0);

    PdfPageView view;
    view.resize(1000, 800);
    view.setScaleFactor(kZoom);
    view.show();
    auto doc = pdf::Document::open(path);
    view.setDocument(doc);
    waitSharp(view);
    std::vector<double> repaint, repaintCpu;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpu = threadCpuMs();
        view.viewport()->repaint();
        repaintCpu.push_back(threadCpuMs() - cpu);
        repaint.push_back(t.nsecsElapsed() / 1e6);
        if (!view.lastPaintWasSharp())
            std::printf("warning: a cached repaint was not sharp\n");
    }
    std::printf("cached repaint (%dx%d): median %.2f ms wall (%.2f ms CPU), max %.2f ms wall\n",
                view.viewport()->width(), view.viewport()->height(), median(repaint),
                median(repaintCpu), *std::max_element(repaint.begin(), repaint.end()));

    QElapsedTimer scroll;
    scroll.start();
    int blurry = 0;
    for (int i = 0; i < doc->pageCount(); ++i) {
        view.goToPageIndex(i);
        blurry += !waitSharp(view);
    }
    std::printf("scrolled through %d pages at 150%% in %.1f s (%d never sharp)\n", doc->pageCount(),
                scroll.elapsed() / 1000.0, blurry);
    std::printf("render cache: %.1f MB; memory now %.1f MB, peak %.1f MB\n",
                view.renderer()->cachedBytes() / 1048576.0, currentRssMb(), peakRssMb());
    return 0;
}

int screenshots(const QString& outDir, QString path) {
    if (path.isEmpty())
        path = "/usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf";
    auto doc = pdf::Document::open(path);
    if (!doc) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }
    QDir().mkpath(outDir);
    QSplitter window;
    auto* strip = new PdfThumbnailView(&window);
    auto* view = new PdfPageView(&window);
    window.addWidget(strip);
    window.addWidget(view);
    window.setSizes({200, 1000});
    window.resize(1200, 780);
    view->setAutoScales(true);
    view->setDocument(doc);
    strip->setPdfView(view);
    window.show();
    const struct {
        PDFDisplayMode mode;
        const char* name;
    } modes[] = {{PDFDisplayMode::singlePage, "single-page"},
                 {PDFDisplayMode::singlePageContinuous, "single-page-continuous"},
                 {PDFDisplayMode::twoUp, "two-up"},
                 {PDFDisplayMode::twoUpContinuous, "two-up-continuous"}};
    for (const auto& m : modes) {
        view->setDisplayMode(m.mode);
        view->goToPageIndex(std::min(2, doc->pageCount() - 1));
        waitSharp(*view);
        QDeadlineTimer settle(3000);
        while (strip->isRendering() && !settle.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        const QString file = QDir(outDir).filePath(QString("pageview-%1.png").arg(m.name));
        window.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    }
    // A selection and a zoomed view, to see highlight drawing and tiles.
    view->setDisplayMode(PDFDisplayMode::singlePageContinuous);
    auto found = doc->findString("the");
    if (!found.empty()) {
        pdf::Selection s = found.front();
        s.setColor(Qt::yellow);
        view->setCurrentSelection(s, true);
        view->scrollSelectionToVisible();
    }
    view->setScaleFactor(3.0);
    view->scrollSelectionToVisible();
    waitSharp(*view);
    const QString zoomed = QDir(outDir).filePath("pageview-zoomed-selection.png");
    window.grab().save(zoomed);
    std::printf("%s\n", qPrintable(zoomed));

    // The same document behind a password, as the view first shows it.
    pdf::WriteOptions options;
    options.userPassword = "secret";
    view->setDocument(pdf::Document::fromData(doc->serialize(options)));
    QCoreApplication::processEvents();
    view->passwordPrompt()->unlockRequested("not the password");
    QCoreApplication::processEvents();
    const QString locked = QDir(outDir).filePath("pageview-locked.png");
    window.grab().save(locked);
    std::printf("%s\n", qPrintable(locked));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool shots = argc > 1 && QByteArray(argv[1]) == "--screenshots";
    if (!shots && !getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (shots)
        return screenshots(args.value(2, "screenshots"), args.value(3));
    int pages = 1000;
    QString file;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--pages" && i + 1 < args.size())
            pages = args[++i].toInt();
        else if (args[i] == "--file" && i + 1 < args.size())
            file = args[++i];
    }
    return benchmark(std::max(1, pages), file);
}
