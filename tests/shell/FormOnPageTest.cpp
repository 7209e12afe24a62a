// Filling a form on the page with the mouse and keyboard, as a person does, then saving
// the annotated copy and reading the values back with qpdf.
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/WindowTestSupport.h"

#include "pageview/PageFormFiller.h"
#include "pageview/PdfPageView.h"
#include "pdf/document/Page.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "utilities/FormFieldService.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

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
