// Every drawing tool's annotation: made in the tool's style as one edit (undone and redone
// in one step), and written by "Save Annotated PDF" so that another reader finds it.
#include "viewmodels/AnnotationCreation.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "platform/Preferences.h"
#include "support/AnnotationReadBack.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/SignatureViewModel.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class AnnotationCreationTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc =
            pdf::Document::fromData(textPdf({{"The quick brown fox", "jumps over the lazy dog"}}));
        ASSERT_NE(doc, nullptr);
        vm.loadCreatedDocument(doc, "test");
    }
    std::vector<pdf::AnnotationPtr> annotations() const { return doc->page(0)->annotations(); }

    DocumentViewModel vm;
    AnnotationViewModel settings;
    pdf::DocumentPtr doc;
};

} // namespace

TEST_F(AnnotationCreationTest, EachToolMakesOneAnnotationUndoneAndRedoneInOneStep) {
    using namespace AnnotationCreation;
    struct Case {
        QString subtype;
        std::function<bool()> make;
    };
    const std::vector<Case> cases = {
        {"Text",
         [&] {
             return addNote(settings, vm, 0, {300, 600}, "Zażółć gęślą jaźń");
         }},
        {"Ink",
         [&] {
             return addInk(settings, vm, 0, {{{100, 400}, {130, 430}, {160, 400}}});
         }},
        {"FreeText",
         [&] { return addTextBox(settings, vm, 0, QRectF(72, 300, 200, 30), "Dvořák 山田"); }},
        {"Square",
         [&] {
             return addShape(AnnotationTool::rectangle, settings, vm, 0, {300, 400}, {400, 300});
         }},
        {"Circle",
         [&] {
             return addShape(AnnotationTool::oval, settings, vm, 0, {420, 400}, {500, 300});
         }},
        {"Line",
         [&] {
             return addShape(AnnotationTool::line, settings, vm, 0, {72, 200}, {200, 200});
         }},
        {"Line",
         [&] {
             return addShape(AnnotationTool::arrow, settings, vm, 0, {250, 200}, {400, 250});
         }},
    };
    for (const Case& c : cases) {
        const size_t before = annotations().size();
        ASSERT_TRUE(c.make()) << c.subtype.toStdString();
        ASSERT_EQ(annotations().size(), before + 1);
        const QRectF made = annotations().back()->bounds();
        EXPECT_EQ(annotations().back()->subtype(), c.subtype);
        vm.undo();
        EXPECT_EQ(annotations().size(), before) << c.subtype.toStdString();
        vm.redo();
        ASSERT_EQ(annotations().size(), before + 1);
        EXPECT_EQ(annotations().back()->subtype(), c.subtype);
        EXPECT_EQ(annotations().back()->bounds(), made);
    }
    // Nothing to draw is no edit at all.
    const size_t count = annotations().size();
    EXPECT_FALSE(addTextBox(settings, vm, 0, QRectF(72, 100, 100, 20), "   "));
    EXPECT_FALSE(addShape(AnnotationTool::rectangle, settings, vm, 0, {10, 10}, {10.2, 10.2}));
    EXPECT_FALSE(addInk(settings, vm, 0, {{{5, 5}}}));
    EXPECT_FALSE(addNote(settings, vm, 7, {1, 1}, "no such page"));
    EXPECT_EQ(annotations().size(), count);
}

TEST_F(AnnotationCreationTest, TheSavedCopyCarriesEachToolsStyleForAnotherReader) {
    using namespace AnnotationCreation;
    settings.setShapeColor(Qt::red);
    settings.setShapeLineWidth(3);
    settings.setProperty("shapeFillColor", QColor(Qt::yellow));
    settings.setFreehandColor(Qt::green);
    settings.setFreehandLineWidth(4);
    settings.setTextFontSize(20);
    settings.setProperty("textColor", QColor(Qt::blue));
    settings.setHighlightColor(HighlightColor::pink);
    ASSERT_TRUE(addShape(AnnotationTool::rectangle, settings, vm, 0, {300, 500}, {400, 400}));
    ASSERT_TRUE(addInk(settings, vm, 0, {{{100, 400}, {130, 430}, {160, 400}}}));
    ASSERT_TRUE(addTextBox(settings, vm, 0, QRectF(72, 300, 300, 30), "Łódź Dvořák 山田太郎"));
    ASSERT_TRUE(addNote(settings, vm, 0, {450, 600}, "Zażółć gęślą jaźń 你好"));
    const auto selection =
        pdf::Selection::fromPoints(doc->page(0), {72, 722}, doc->page(0), {300, 700});
    ASSERT_TRUE(addMarkup(AnnotationTool::strikethrough, settings, selection, vm));

    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    const QString path = dir.filePath("annotated.pdf");
    dialogs->scriptSave(path);
    ASSERT_TRUE(vm.saveAnnotatedCopy());
    const auto annots = annotationsInFile(path);
    ASSERT_EQ(annots.size(), 6u); // the strike-out covers both selected lines
    const QJsonObject square = annots[0], ink = annots[1], box = annots[2], note = annots[3];
    EXPECT_EQ(square.value("/Subtype").toString(), "/Square");
    EXPECT_EQ(rectOf(square.value("/Rect")), QRectF(300, 400, 100, 100));
    EXPECT_EQ(numbersOf(square.value("/C")), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(numbersOf(square.value("/IC")), (std::vector<double>{1, 1, 0}));
    EXPECT_EQ(square.value("/BS").toObject().value("/W").toDouble(), 3);
    EXPECT_EQ(numbersOf(ink.value("/C")), (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(ink.value("/BS").toObject().value("/W").toDouble(), 4);
    EXPECT_TRUE(stringOf(box.value("/DA")).contains("20 Tf"));
    EXPECT_TRUE(stringOf(box.value("/DA")).contains("0 0 1 rg"));
    EXPECT_EQ(stringOf(box.value("/Contents")), "Łódź Dvořák 山田太郎");
    EXPECT_EQ(stringOf(note.value("/Contents")), "Zażółć gęślą jaźń 你好");
    const QColor pink = swatchColor(HighlightColor::pink);
    const std::vector<double> noteColor = numbersOf(note.value("/C"));
    ASSERT_EQ(noteColor.size(), 3u);
    EXPECT_NEAR(noteColor[0], pink.redF(), 0.01);
    for (size_t i = 4; i < 6; ++i)
        EXPECT_EQ(annots[i].value("/Subtype").toString(), "/StrikeOut");
    const QString text = pdftotextPage(path, 1);
    EXPECT_TRUE(text.contains("Dvořák")) << text.toStdString();
    EXPECT_TRUE(text.contains("山田太郎")) << text.toStdString();
    int code = -1;
    runTool("qpdf", {"--check", path}, &code);
    EXPECT_EQ(code, 0);

    // The two strike-outs go in one step.
    vm.undo();
    EXPECT_EQ(annotations().size(), 4u);
}

TEST_F(AnnotationCreationTest, ANoteEditedAgainIsOneStepBackAndForth) {
    ASSERT_TRUE(AnnotationCreation::addNote(settings, vm, 0, {300, 600}, "first"));
    const pdf::AnnotationPtr note = annotations().back();
    ASSERT_TRUE(AnnotationCreation::changeContents(vm, note, "Łódź, second"));
    EXPECT_EQ(annotations().back()->contents(), "Łódź, second");
    EXPECT_EQ(vm.undoName(), "Edit Note");
    vm.undo();
    EXPECT_EQ(annotations().back()->contents(), "first");
    EXPECT_EQ(annotations().size(), 1u);
    vm.redo();
    EXPECT_EQ(annotations().back()->contents(), "Łódź, second");
    EXPECT_FALSE(AnnotationCreation::changeContents(vm, annotations().back(), "Łódź, second"));
}

TEST(AnnotationStrokeSmoothing, EndsStayAndTheTremorGoes) {
    // A line along y = 0 with a one-point tremor.
    std::vector<QPointF> shaky;
    for (int i = 0; i <= 20; ++i)
        shaky.push_back(QPointF(i * 5, i % 2 ? 1.0 : -1.0));
    const auto smooth = AnnotationCreation::smoothStroke(shaky);
    EXPECT_EQ(smooth.front(), shaky.front());
    EXPECT_EQ(smooth.back(), shaky.back());
    double worst = 0;
    for (const QPointF& p : smooth)
        if (p.x() > 10 && p.x() < 90)
            worst = std::max(worst, std::abs(p.y()));
    EXPECT_LT(worst, 0.3);
    // A real corner drawn at the mouse's pace (a point a point) is rounded, not lost.
    std::vector<QPointF> vee;
    for (int x = 0; x <= 40; ++x)
        vee.push_back(QPointF(x, 20 - std::abs(x - 20)));
    double top = 0;
    for (const QPointF& p : AnnotationCreation::smoothStroke(vee))
        top = std::max(top, p.y());
    EXPECT_GT(top, 18.5);
    // Two points are a straight line already.
    EXPECT_EQ(AnnotationCreation::smoothStroke({{0, 0}, {10, 10}}).size(), 2u);
}

TEST_F(AnnotationCreationTest, TheSignatureToolFitsTheChosenSignatureIntoTheDraggedBox) {
    Preferences::remove(SignatureViewModel::storageKey);
    SignatureViewModel signatures;
    EXPECT_FALSE(signatures.chosenSignature().has_value());
    QImage wide(200, 50, QImage::Format_RGB32);
    wide.fill(Qt::red);
    for (const char* name : {"Ada", "Grace"}) {
        signatures.setCurrentSignatureImage(wide);
        signatures.setSignatureName(name);
        signatures.saveCurrentSignature();
    }
    ASSERT_EQ(signatures.chosenSignature()->name, "Grace"); // the newest
    signatures.setIncludeStamp(false);
    const SavedSignature ada = signatures.savedSignatures().front();
    // A 200 x 200 box: the 4:1 picture fills its width and sits in its middle.
    ASSERT_TRUE(signatures.placeSignatureInBox(ada, vm, 0, QRectF(100, 200, 200, 200)));
    ASSERT_EQ(annotations().size(), 1u);
    EXPECT_EQ(annotations().back()->subtype(), "Stamp");
    EXPECT_EQ(annotations().back()->bounds(), QRectF(100, 275, 200, 50));
    EXPECT_EQ(signatures.chosenSignature()->name, "Ada"); // the one placed last
    // A click: the default size, centred where clicked.
    ASSERT_TRUE(signatures.placeSignatureInBox(ada, vm, 0, QRectF(QPointF(300, 400), QSizeF())));
    EXPECT_EQ(annotations().back()->bounds(), QRectF(200, 360, 200, 80));
    vm.undo();
    EXPECT_EQ(annotations().size(), 1u);
    Preferences::remove(SignatureViewModel::storageKey);
}
