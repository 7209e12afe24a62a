#include "sheets/WatermarkView.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/FakePageView.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class WatermarkViewTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    DocumentViewModel vm;
    FakePageView pageView;

    void open(int pages, int current = 0) {
        vm.loadCreatedDocument(pdf::Document::fromData(numberedPdf(pages)), "test.pdf");
        vm.setPdfView(&pageView, &pageView);
        vm.setCurrentPageIndex(current);
    }
    int watermarks(int page) {
        int n = 0;
        for (const auto& a : vm.pdfDocument()->page(page)->annotations())
            n += a->subtype() == "FreeText";
        return n;
    }
};

TEST_F(WatermarkViewTest, StartsFromTheDefaultsWithReadouts) {
    open(1);
    WatermarkView view(vm);
    EXPECT_EQ(view.watermarkText(), "CONFIDENTIAL");
    EXPECT_EQ(view.fontSize(), 48);
    EXPECT_DOUBLE_EQ(view.opacity(), 0.15);
    EXPECT_EQ(view.rotation(), -45);
    EXPECT_TRUE(view.applyToAll());
    EXPECT_EQ(WatermarkView::fontSizeText(48), "48pt");
    EXPECT_EQ(WatermarkView::opacityText(0.15), "15%");
    EXPECT_EQ(WatermarkView::rotationText(-45), QString::fromUtf8("-45°"));
    // Every slider position reads out as its whole value.
    auto* opacity = view.findChild<QSlider*>("opacity");
    opacity->setValue(opacity->maximum());
    EXPECT_DOUBLE_EQ(view.opacity(), 0.5);
    EXPECT_EQ(WatermarkView::opacityText(view.opacity()), "50%");
    for (int v = opacity->minimum(); v <= opacity->maximum(); ++v) {
        opacity->setValue(v);
        EXPECT_EQ(WatermarkView::opacityText(view.opacity()), QString::number(v * 5) + "%");
    }
    auto* size = view.findChild<QSlider*>("fontSize");
    size->setValue(size->minimum());
    EXPECT_EQ(view.fontSize(), 20);
    size->setValue(size->maximum());
    EXPECT_EQ(view.fontSize(), 120);
    auto* rotation = view.findChild<QSlider*>("rotation");
    rotation->setValue(rotation->minimum());
    EXPECT_EQ(view.rotation(), -90);
    EXPECT_EQ(WatermarkView::rotationText(-7.9), QString::fromUtf8("-7°")); // toward zero
}

TEST_F(WatermarkViewTest, EmptyTextDisablesApplying) {
    open(1);
    WatermarkView view(vm);
    auto* apply = view.findChild<QPushButton*>("applyWatermark");
    auto* text = view.findChild<QLineEdit*>("watermarkText");
    EXPECT_TRUE(apply->isEnabled());
    text->clear();
    EXPECT_FALSE(apply->isEnabled());
    text->setText("X");
    EXPECT_TRUE(apply->isEnabled());
}

TEST_F(WatermarkViewTest, DefaultsMarkEveryPageAndApplyingTwiceGivesTwo) {
    open(3, 1);
    WatermarkView view(vm);
    view.findChild<QPushButton*>("applyWatermark")->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(watermarks(i), 1);
    // One edit for all the pages: one undo takes the watermark off every page.
    ASSERT_TRUE(vm.canUndo());
    vm.undo();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(watermarks(i), 0);
    vm.redo();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(watermarks(i), 1);
    auto mark = vm.pdfDocument()->page(2)->annotations()[0];
    EXPECT_EQ(mark->bounds(), QRectF(0, 0, 612, 792));
    EXPECT_EQ(mark->contents(), "CONFIDENTIAL");
    view.applyWatermark();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(watermarks(i), 2);

    // Another reader shows the grey text on a written copy, along the falling diagonal.
    const QString path = dir.filePath("marked.pdf");
    ASSERT_TRUE(vm.pdfDocument()->write(path));
    int code = -1;
    runTool("pdftoppm",
            {"-r", "72", "-png", "-f", "3", "-l", "3", "-singlefile", path, dir.filePath("p3")},
            &code);
    ASSERT_EQ(code, 0);
    const QImage img(dir.filePath("p3.png"));
    EXPECT_GT(inkShare(img, QRect(306 - 120, 396 - 120, 40, 40)), 0.05);
    EXPECT_GT(inkShare(img, QRect(306 + 80, 396 + 80, 40, 40)), 0.05);
    EXPECT_EQ(inkShare(img, QRect(306 + 80, 396 - 120, 40, 40)), 0);
}

TEST_F(WatermarkViewTest, WithoutApplyToAllOnlyTheCurrentPageIsMarked) {
    open(3, 2);
    WatermarkView view(vm);
    view.findChild<QCheckBox*>("applyToAll")->setChecked(false);
    view.applyWatermark();
    EXPECT_EQ(watermarks(0), 0);
    EXPECT_EQ(watermarks(1), 0);
    EXPECT_EQ(watermarks(2), 1);

    DocumentViewModel empty;
    WatermarkView none(empty);
    none.findChild<QPushButton*>("applyWatermark")->click();
    EXPECT_EQ(none.result(), QDialog::Accepted); // closes, nothing to mark
}

} // namespace
