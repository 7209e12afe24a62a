#include "pdf/document/DisplayList.h"
#include "base/Task.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace fixtures;

namespace {

// One page of `paths` large, overlapping, coloured triangles: slow to rasterise.
QByteArray heavyPdf(int paths) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    quint32 seed = 12345;
    auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return QByteArray::number((seed >> 8) % quint32(range));
    };
    QByteArray content;
    for (int i = 0; i < paths; ++i) {
        content += "0." + next(10) + " 0." + next(10) + " 0." + next(10) + " rg ";
        content += next(612) + " " + next(792) + " m " + next(612) + " " + next(792) + " l ";
        content += next(612) + " " + next(792) + " l h f\n";
    }
    const int stream = pdf.addStream("<< >>", content);
    const int page =
        pdf.add("<< /Type /Page /Parent " + QByteArray::number(pagesObj) +
                " 0 R /MediaBox [0 0 612 792] /Contents " + QByteArray::number(stream) + " 0 R >>");
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + QByteArray::number(page) + " 0 R] /Count 1 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pagesObj) + " 0 R >>");
    return pdf.build(catalog);
}

using Clock = std::chrono::steady_clock;

TEST(DisplayListTest, ACancelledRenderStopsPartWayAndReturnsNoImage) {
    auto doc = pdf::Document::fromData(heavyPdf(600));
    ASSERT_NE(doc, nullptr);
    auto list = doc->page(0)->displayList();
    ASSERT_NE(list, nullptr);

    // Left alone, a render with a cancel token runs to the end and draws the page.
    base::CancelToken untouched;
    auto start = Clock::now();
    const QImage full = list->render(2.0, {}, &untouched);
    const auto whole = Clock::now() - start;
    ASSERT_FALSE(full.isNull());
    EXPECT_EQ(full.size(), QSize(1224, 1584));
    EXPECT_NE(full.pixel(612, 792), qRgb(255, 255, 255));
    ASSERT_GT(whole, std::chrono::milliseconds(150)) << "the page is too light to cancel part-way";

    // Cancelled through its task a tenth of the way in, it stops soon after: the task's
    // token reaches the engine's cookie, and the render hands back no image.
    QObject owner;
    QImage result(1, 1, QImage::Format_RGB32);
    start = Clock::now();
    auto task = base::Task::run(
        &owner,
        [list](base::TaskContext& context) {
            return list->render(2.0, {}, &context.cancelToken());
        },
        [&](const QImage& image) { result = image; });
    std::this_thread::sleep_for(whole / 10);
    task.cancel();
    task.wait();
    const auto cancelled = Clock::now() - start;
    QCoreApplication::sendPostedEvents(&owner, QEvent::MetaCall);
    EXPECT_TRUE(result.isNull());
    EXPECT_LT(cancelled, whole / 2);
}

} // namespace
