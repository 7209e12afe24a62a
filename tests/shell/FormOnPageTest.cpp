// Filling a form on the page with the mouse and keyboard, as a person does, then saving
// the annotated copy and reading the values back with qpdf.
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/WindowTestSupport.h"

#include "app/VellumarkApp.h"
#include "pageview/PageFormFiller.h"
#include "pageview/PdfPageView.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "utilities/FormFieldService.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

class FormOnPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = fixtures::writeTemp(folder(), "form-on-page.pdf", fixtures::formPdf());
        window.resize(900, 1000);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        open(window, path);
        view = window.pageView()->pdfView();
        ASSERT_TRUE(fixtures::waitUntilSharp(*view));
        filler = view->findChild<PageFormFiller*>();
        ASSERT_TRUE(filler);
    }
    // Clicks the page point (PDF user space) of the first page.
    void clickAt(QPointF pagePoint, int page = 0) {
        const QPoint at = view->viewportPointForPagePoint(page, pagePoint).toPoint();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    // A field's value as the form sheet lists it; for a radio group, the button that is on.
    QString value(const QString& name) {
        QString found = "(missing)";
        for (const FormField& f : FormFieldService::detectFormFields(*doc()))
            if (f.annotation->fieldName() == name) {
                const QString shown = FormFieldService::displayValue(f);
                if (found == "(missing)" || shown.startsWith("on"))
                    found = shown;
            }
        return found;
    }
    pdf::DocumentPtr doc() { return window.documentVM()->pdfDocument(); }

    QString path;
    ContentView window;
    PdfPageView* view = nullptr;
    PageFormFiller* filler = nullptr;
};

// fullname -> value as qpdf reads the written file ("u:" marks a text string).
std::map<QString, QString> writtenValues(const QString& file) {
    const QByteArray json = fixtures::runTool("qpdf", {"--json", "--json-key=acroform", file});
    std::map<QString, QString> out;
    const QJsonArray fields =
        QJsonDocument::fromJson(json).object()["acroform"].toObject()["fields"].toArray();
    for (const QJsonValue& f : fields) {
        QString v = f.toObject()["value"].toString();
        if (v.startsWith("u:"))
            v = v.mid(2);
        out[f.toObject()["fullname"].toString()] = v;
    }
    return out;
}

} // namespace

TEST_F(FormOnPageTest, ClicksAndKeysFillEveryKindOfFieldAndTheCopyKeepsThem) {
    // The text field: an editor over it, holding the value, ready to be typed over.
    clickAt({186, 690});
    auto* line = qobject_cast<QLineEdit*>(filler->editor());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), "Alice");
    EXPECT_TRUE(line->hasFocus());
    EXPECT_TRUE(
        line->geometry().contains(view->viewportPointForPagePoint(0, {186, 690}).toPoint()));
    EXPECT_EQ(line->cursorPosition(), 5); // the caret where the click fell, past the text
    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(line, "Bob");
    EXPECT_EQ(value("name"), "Alice"); // nothing is kept before the field is left
    // Tab keeps it and moves to the check box; Space switches that.
    QTest::keyClick(line, Qt::Key_Tab);
    EXPECT_EQ(value("name"), "Bob");
    EXPECT_EQ(window.documentVM()->undoName(), "Fill Form Field");
    ASSERT_TRUE(filler->editor());
    EXPECT_EQ(filler->activeField()->fieldName(), "agree");
    QTest::keyClick(filler->editor(), Qt::Key_Space);
    EXPECT_EQ(value("agree"), "on");

    // A click on the other radio button moves the group's choice.
    clickAt({107, 607});
    EXPECT_EQ(value("choice"), "on (b)");
    clickAt({79, 607}); // and back
    EXPECT_EQ(value("choice"), "on (a)");
    clickAt({79, 607}); // a radio button that is on stays on
    EXPECT_EQ(value("choice"), "on (a)");

    // The choice field opens its list; a click on an entry picks it.
    clickAt({136, 570});
    auto* combo = qobject_cast<QComboBox*>(filler->editor());
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->currentText(), "Red");
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }));
    const QModelIndex blue = list->model()->index(2, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(blue).center());
    EXPECT_EQ(value("colour"), "Blue");

    // Undo takes back one step at a time: the pick, then the radio button.
    window.documentVM()->undo();
    EXPECT_EQ(value("colour"), "Red");
    window.documentVM()->redo();
    EXPECT_EQ(value("colour"), "Blue");

    // A click on the signature field or on plain page is not the form's.
    filler->cancel();
    clickAt({150, 500});
    EXPECT_FALSE(filler->editor());
    clickAt({400, 300});
    EXPECT_FALSE(filler->editor());

    auto dialogs = std::make_shared<ScriptedFileDialogs>();
    const QString copy = folder() + "/form-filled-on-page.pdf";
    dialogs->scriptSave(copy);
    auto previous = FileDialogs::install(dialogs);
    EXPECT_TRUE(window.documentVM()->saveAnnotatedCopy());
    FileDialogs::install(previous);
    if (!fixtures::toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf missing";
    const auto written = writtenValues(copy);
    EXPECT_EQ(written.at("name"), "Bob");
    EXPECT_EQ(written.at("agree"), "/Yes");
    EXPECT_EQ(written.at("choice"), "/a");
    EXPECT_EQ(written.at("colour"), "Blue");
    EXPECT_EQ(written.at("city"), "Paris");
}

TEST_F(FormOnPageTest, EscapeDropsTypingAndTabWalksIntoTheNextPage) {
    clickAt({186, 690});
    auto* line = qobject_cast<QLineEdit*>(filler->editor());
    ASSERT_TRUE(line);
    QTest::keyClicks(line, "Mallory");
    QTest::keyClick(line, Qt::Key_Escape);
    EXPECT_FALSE(filler->editor());
    EXPECT_EQ(value("name"), "Alice");
    EXPECT_FALSE(window.documentVM()->canUndo());

    // Shift+Tab from the first field wraps to the last: "city" on page 2, brought into view.
    clickAt({186, 690});
    QTest::keyClick(filler->editor(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(filler->activeField());
    EXPECT_EQ(filler->activeField()->fieldName(), "city");
    line = qobject_cast<QLineEdit*>(filler->editor());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), "Paris");
    EXPECT_TRUE(QRect(QPoint(), view->viewport()->size()).contains(line->geometry()));
    // Return keeps the text; an unchanged value makes no edit.
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_FALSE(window.documentVM()->canUndo());
    EXPECT_FALSE(filler->editor());

    // Clicking elsewhere on the page keeps what was typed.
    clickAt({186, 690});
    line = qobject_cast<QLineEdit*>(filler->editor());
    ASSERT_TRUE(line);
    QTest::keyClick(line, Qt::Key_Backspace);
    QTest::keyClicks(line, "Carol");
    clickAt({400, 300});
    EXPECT_EQ(value("name"), "AlicCarol");
}

namespace {

// One page: a multi-line text field "notes" in 10 pt, and a list box "fruit" (not a drop-down).
QByteArray notesAndListPdf() {
    fixtures::MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int page = pdf.reserve();
    const int helv = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const QByteArray p = QByteArray::number(page) + " 0 R";
    const int notes = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Tx /Ff 4096 /T (notes) "
                              "/V (Before) /Rect [72 520 372 640] /DA (/Helv 10 Tf 0 g) /F 4 /P " +
                              p + " >>");
    const int fruit = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Ch /T (fruit) /V (Apple) "
                              "/Opt [(Apple) (Pear) (Plum)] /Rect [72 380 222 440] "
                              "/DA (/Helv 12 Tf 0 g) /F 4 /P " +
                              p + " >>");
    auto ref = [](int n) { return QByteArray::number(n) + " 0 R "; };
    pdf.set(page, "<< /Type /Page /Parent " + ref(pages) +
                      "/MediaBox [0 0 612 792] /Resources << /Font << /Helv " + ref(helv) +
                      ">> >> /Annots [" + ref(notes) + ref(fruit) + "] >>");
    pdf.set(pages, "<< /Type /Pages /Kids [" + ref(page) + "] /Count 1 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pages) + "/AcroForm << /Fields [" +
                         ref(notes) + ref(fruit) + "] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv " +
                         ref(helv) + ">> >> >> >>");
    return pdf.build(catalog);
}

} // namespace

TEST(FormEditorsOnPage, TextAreasTakeLinesAtTheirSizeAndListsPickOnClick) {
    ScopedFileDialogs dialogs;
    const QString path = fixtures::writeTemp(folder(), "notes-and-list.pdf", notesAndListPdf());
    std::unique_ptr<ContentView> made(VellumarkApp::makeWindow()); // with its menus' keys
    made->setAttribute(Qt::WA_DeleteOnClose, false);
    ContentView& window = *made;
    window.resize(640, 700);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    open(window, path);
    PdfPageView* view = window.pageView()->pdfView();
    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    auto* filler = view->findChild<PageFormFiller*>();
    ASSERT_TRUE(filler);
    window.documentVM()->zoomTo(1.5);
    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    view->verticalScrollBar()->setValue(
        view->verticalScrollBar()->value() +
        int(view->viewportPointForPagePoint(0, {0, 660}).y())); // the fields at the top
    auto at = [&](QPointF p) { return view->viewportPointForPagePoint(0, p).toPoint(); };
    auto valueOf = [&](const QString& name) {
        for (const auto& a : window.documentVM()->pdfDocument()->page(0)->annotations())
            if (a->fieldName() == name)
                return a->widgetStringValue();
        return QString("(missing)");
    };

    // A click on the list opens it where it is, on its chosen row; a click on a row picks it,
    // and the list shows it chosen.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at({100, 436}));
    auto* list = qobject_cast<QListWidget*>(filler->editor());
    ASSERT_TRUE(list);
    EXPECT_LE(list->height(), at({0, 380}).y() - at({0, 440}).y() + 1); // no taller than the field
    ASSERT_TRUE(list->currentItem());
    EXPECT_EQ(list->currentItem()->text(), "Apple");
    const QList<QListWidgetItem*> pear = list->findItems("Pear", Qt::MatchExactly);
    ASSERT_EQ(pear.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(pear.first()).center());
    ASSERT_TRUE(list->currentItem());
    EXPECT_EQ(list->currentItem()->text(), "Pear");
    EXPECT_EQ(valueOf("fruit"), "Pear");

    // The text area: Enter is a new line, a click elsewhere ends the editing and keeps it all.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at({200, 580}));
    auto* area = qobject_cast<QPlainTextEdit*>(filler->editor());
    ASSERT_TRUE(area);
    const double pixelsPerPoint = (at({0, 520}).y() - at({0, 640}).y()) / 120.0;
    EXPECT_NEAR(area->font().pixelSize(), 10 * pixelsPerPoint, 1.0);
    QTest::keyClicks(area, " first");
    QTest::keyClick(area, Qt::Key_Return);
    QTest::keyClicks(area, "second");
    EXPECT_EQ(filler->editor(), area);
    const QString shots = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (!shots.isEmpty() && QDir().mkpath(shots))
        window.grab().save(QDir(shots).filePath("form-text-area-and-list.png"));

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at({100, 470}));
    EXPECT_FALSE(filler->editor());
    EXPECT_EQ(valueOf("notes"), "Before first\nsecond");
    // Ctrl+Enter ends it too.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at({200, 580}));
    area = qobject_cast<QPlainTextEdit*>(filler->editor());
    ASSERT_TRUE(area);
    QTest::keyClick(area, Qt::Key_Return);
    QTest::keyClicks(area, "third");
    QTest::keyClick(area, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(filler->editor());
    EXPECT_EQ(valueOf("notes"), "Before first\nsecond\nthird");

    // Saved in place, another reader finds both values.
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(window.documentVM()->isModified());
    const auto written = writtenValues(path);
    EXPECT_EQ(written.at("fruit"), "Pear");
    EXPECT_EQ(written.at("notes"), "Before first\nsecond\nthird");
}
