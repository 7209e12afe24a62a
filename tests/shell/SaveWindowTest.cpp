// The window saves like an editor: Ctrl+S writes the open file in place (atomically, its
// permissions and protection kept, nothing deleted left inside), Ctrl+Shift+S moves the
// document to a new file, Ctrl+W closes it after asking, the title marks unsaved work, an
// export leaves that mark alone, and a document made in memory is never dropped unasked.
// Run once more at twice the scale, in a window 640 pixels wide.
#include "app/VellumarkApp.h"
#include "pageview/PdfPageView.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "platform/NotificationCenter.h"
#include "shell/AnnotationToolbar.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SheetFlags.h"
#include "shell/SheetPresenter.h"
#include "shell/WelcomeView.h"
#include "support/DoubleScaleRun.h"
#include "support/FakeClipboard.h"
#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/AnnotationChangeEdit.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentRestrictions.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <iostream>
#include <memory>

using namespace fixtures;
using windowtest::waitUntil;

namespace {

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Every object of the written file as qpdf lists them, unreferenced ones included.
QByteArray objectsOf(const QString& path, const QString& password = {}) {
    QStringList args{"--json=2", "--json-key=qpdf"};
    if (!password.isEmpty())
        args << "--password=" + password;
    int code = -1;
    const QByteArray json = runTool("qpdf", args << path, &code);
    EXPECT_EQ(code, 0) << path.toStdString();
    return json;
}

class SaveWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window.reset(VellumarkApp::makeWindow());
        window->setAttribute(Qt::WA_DeleteOnClose, false); // the test owns it
        window->resize(640, 480);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        std::cout << "device pixel ratio " << window->devicePixelRatio() << std::endl;
    }
    void TearDown() override {
        if (window)
            window->documentVM()->closeDocument(); // an edited document would ask
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        // A sheet or dialog that just closed may have left no window active.
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), k, mods);
        QCoreApplication::processEvents();
    }
    DocumentViewModel& vm() { return *window->documentVM(); }
    pdf::AnnotationPtr addNote(const QString& text) {
        pdf::AnnotationPtr made;
        vm().perform(std::make_unique<AddAnnotationsEdit>(
            "Text Box", vm().pdfDocument(),
            [&](pdf::Document& d) -> std::vector<pdf::AnnotationPtr> {
                made = d.page(0)->addFreeText(QRectF(72, 600, 220, 30), text, 12, Qt::black);
                return {made};
            }));
        return made;
    }

    QTemporaryDir dir;
    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    ScopedClipboard clipboard;
    std::unique_ptr<ContentView> window;
};

TEST_F(SaveWindow, CtrlSWritesInPlaceKeepingProtectionAndPermissionsAndDropsWhatWasDeleted) {
    // Protected: opens with "pw"; the owner password is "own".
    pdf::WriteOptions protection;
    protection.userPassword = "pw";
    protection.ownerPassword = "own";
    const QString path = writeTemp(dir.path(), "minutes.pdf",
                                   pdf::Document::fromData(numberedPdf(2))->serialize(protection));
    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    windowtest::open(*window, path);
    ASSERT_TRUE(vm().pdfDocument()->unlock("pw"));
    vm().setTotalPages(vm().pdfDocument()->pageCount());
    const ino_t before = statOf(path).st_ino;

    const pdf::AnnotationPtr note = addNote("Zyzzyva remark");
    EXPECT_EQ(window->windowTitle(), QString("\u2022 minutes.pdf \u2014 Page 1 of 2"));
    key(Qt::Key_S);
    EXPECT_FALSE(vm().isModified());
    EXPECT_EQ(window->windowTitle(), QString("minutes.pdf \u2014 Page 1 of 2"));
    EXPECT_TRUE(dialogs->saveRequests.empty()); // in place: nothing asked
    EXPECT_TRUE(alerts->notices.empty());
    // A new file took the old one's place whole, with its permissions.
    EXPECT_NE(statOf(path).st_ino, before);
    EXPECT_EQ(statOf(path).st_mode & 0777, 0640u);
    // Still protected by the same password; another reader finds the note.
    int code = -1;
    const QByteArray encryption =
        runTool("qpdf", {"--show-encryption", "--password=pw", path}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(encryption.contains("R = 6")) << encryption.toStdString();
    runTool("pdfinfo", {path}, &code);
    EXPECT_NE(code, 0) << "opened without its password";
    EXPECT_TRUE(objectsOf(path, "pw").contains("Zyzzyva remark"));

    // Deleted and saved again: the note is nowhere in the file, not even unreferenced.
    ASSERT_TRUE(vm().perform(std::make_unique<RemoveAnnotationEdit>(vm().pdfDocument(), note)));
    EXPECT_TRUE(window->windowTitle().startsWith(QString("\u2022 ")));
    key(Qt::Key_S);
    EXPECT_FALSE(vm().isModified());
    EXPECT_FALSE(objectsOf(path, "pw").contains("Zyzzyva remark"));
    runTool("qpdf", {"--check", "--password=pw", path}, &code);
    EXPECT_EQ(code, 0);
    const QByteArray text = runTool("pdftotext", {"-upw", "pw", path, "-"}, &code);
    EXPECT_TRUE(text.contains("Page 2")) << text.toStdString();
}

TEST_F(SaveWindow, SaveAsMovesTheDocumentAndExportLeavesItUnsaved) {
    const QString path = writeTemp(dir.path(), "draft.pdf", numberedPdf(1));
    windowtest::open(*window, path);
    addNote("Kept in the copy");

    // The annotated copy is an export: the document still differs from its file.
    dialogs->scriptSave(dir.filePath("copy.pdf"));
    window->flags()->setShowExport(true);
    QDialog* sheet = window->sheetPresenter()->dialog(SheetKind::exportSheet);
    ASSERT_TRUE(sheet);
    QAbstractButton* annotated = nullptr;
    for (auto* b : sheet->findChildren<QAbstractButton*>())
        if (b->text() == "Save Annotated PDF")
            annotated = b;
    ASSERT_TRUE(annotated);
    QTest::mouseClick(annotated, Qt::LeftButton);
    ASSERT_TRUE(
        waitUntil([&] { return !window->sheetPresenter()->dialog(SheetKind::exportSheet); }));
    EXPECT_TRUE(objectsOf(dir.filePath("copy.pdf")).contains("Kept in the copy"));
    EXPECT_TRUE(vm().isModified());
    EXPECT_EQ(vm().fileName(), "draft.pdf");

    // Pages exported as PNG: the window says it is done, and where.
    QTemporaryDir pictures;
    dialogs->scriptFolder(pictures.path());
    window->flags()->setShowExport(true);
    sheet = window->sheetPresenter()->dialog(SheetKind::exportSheet);
    ASSERT_TRUE(sheet);
    for (auto* b : sheet->findChildren<QAbstractButton*>())
        if (b->text() == "Export All Pages as PNG")
            QTest::mouseClick(b, Qt::LeftButton);
    ASSERT_TRUE(
        waitUntil([&] { return !window->sheetPresenter()->dialog(SheetKind::exportSheet); }));
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QString("1 page exported as PNG to %1").arg(pictures.path()));
    EXPECT_TRUE(vm().isModified());

    // Save As: asked where, proposing the document's name in its folder; the new file is
    // the document's from then on, and the first file is left as it was.
    const QByteArray original = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    dialogs->scriptSave(dir.filePath("final.pdf"));
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialogs->saveRequests.size(), 2u);
    EXPECT_EQ(dialogs->saveRequests[1].proposedName, "draft.pdf");
    EXPECT_EQ(dialogs->saveRequests[1].directory, dir.path());
    EXPECT_FALSE(vm().isModified());
    EXPECT_EQ(window->windowTitle(), QString("final.pdf \u2014 Page 1 of 1"));
    EXPECT_TRUE(objectsOf(dir.filePath("final.pdf")).contains("Kept in the copy"));
    QFile first(path);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), original);
    addNote("Second thought");
    key(Qt::Key_S);
    EXPECT_EQ(dialogs->saveRequests.size(), 2u);
    EXPECT_TRUE(objectsOf(dir.filePath("final.pdf")).contains("Second thought"));
}

TEST_F(SaveWindow, CloseAndQuitAskBeforeAnythingUnsavedGoes) {
    // Made from the clipboard: it exists nowhere else, so it is unsaved at once.
    clipboard->setText("Notes from the clipboard");
    window->commandCenter().post("clipboardToPDF");
    ASSERT_TRUE(vm().pdfDocument());
    EXPECT_TRUE(vm().isModified());
    EXPECT_TRUE(window->windowTitle().startsWith(QString("\u2022 From Clipboard")));

    // Quit and Close: cancelled, everything stays.
    alerts->unsavedAnswers = {Alerts::UnsavedChoice::cancel, Alerts::UnsavedChoice::cancel};
    window->menuBar()->findChild<QAction*>("quit")->trigger(); // File > Quit
    key(Qt::Key_W);
    EXPECT_EQ(alerts->unsavedAsked, (std::vector<QString>{"From Clipboard", "From Clipboard"}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(vm().pdfDocument());

    // Saved from the question: asked where (nothing on disk yet), then closed.
    alerts->unsavedAnswers = {Alerts::UnsavedChoice::save};
    dialogs->scriptSave(dir.filePath("clip.pdf"));
    key(Qt::Key_W);
    EXPECT_FALSE(vm().pdfDocument());
    EXPECT_EQ(window->detailContent(), window->welcomeView());
    EXPECT_EQ(window->windowTitle(), QString("Brivel PDF"));
    int code = -1;
    EXPECT_TRUE(runTool("pdftotext", {dir.filePath("clip.pdf"), "-"}, &code)
                    .contains("Notes from the clipboard"));

    // An unchanged document closes without a word; with none open, Close closes the window.
    windowtest::open(*window, dir.filePath("clip.pdf"));
    EXPECT_FALSE(vm().isModified());
    key(Qt::Key_W);
    EXPECT_FALSE(vm().pdfDocument());
    EXPECT_EQ(alerts->unsavedAsked.size(), 3u);
    key(Qt::Key_W);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SaveWindow, AnOwnerLockedFileIsWorkedOnAsItsAuthorAllowsUnlessThePersonSaysOtherwise) {
    // Opens without a password; its owner forbids changing it in any way.
    const QString plain = writeTemp(dir.path(), "plain.pdf", numberedPdf(2));
    const QString path = dir.filePath("locked.pdf");
    int code = -1;
    runTool("qpdf", {"--encrypt", "", "own", "256", "--modify=none", "--", plain, path}, &code);
    ASSERT_EQ(code, 0);
    DocumentRestrictions::setIgnored(false);
    windowtest::open(*window, path);
    window->flags()->setShowAnnotationToolbar(true);
    PdfPageView* view = window->pageView()->pdfView();
    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    auto at = [&](QPointF p) { return view->viewportPointForPagePoint(0, p).toPoint(); };
    auto drawRectangle = [&] {
        window->annotationToolbar()->toolButton(AnnotationTool::rectangle)->click();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at({100, 700}));
        for (int i = 1; i <= 6; ++i)
            QTest::mouseMove(view->viewport(), at({100.0 + 20 * i, 700.0 - 10 * i}));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at({220, 640}));
    };

    // Refused, saying what the author forbade; signing is refused alike.
    drawRectangle();
    EXPECT_FALSE(vm().canUndo());
    EXPECT_TRUE(vm().pdfDocument()->page(0)->annotations().empty());
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_TRUE(alerts->notices[0].contains("does not allow changing it"))
        << alerts->notices[0].toStdString();
    EXPECT_TRUE(alerts->notices[0].contains("annotating it"));
    EXPECT_FALSE(alerts->notices[0].contains("printing"));
    QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->sheetPresenter()->dialog(SheetKind::signature), nullptr);
    EXPECT_EQ(alerts->notices.size(), 2u);

    // With restrictions ignored (Edit menu, kept as a preference) the work goes on, and the
    // saved file keeps the author's protection.
    QAction* ignore = window->menuBar()->findChild<QAction*>("ignoreRestrictions");
    ASSERT_TRUE(ignore);
    ignore->trigger();
    EXPECT_TRUE(DocumentRestrictions::ignored());
    drawRectangle();
    EXPECT_EQ(vm().pdfDocument()->page(0)->annotations().size(), 1u);
    key(Qt::Key_S);
    EXPECT_FALSE(vm().isModified());
    const QByteArray shown = runTool("qpdf", {"--show-encryption", path}, &code);
    EXPECT_TRUE(shown.contains("modify annotations: not allowed")) << shown.toStdString();
    EXPECT_TRUE(objectsOf(path).contains("/Square"));
    ignore->trigger();
    EXPECT_FALSE(DocumentRestrictions::ignored());
}

// The cases above once more in a process at twice the scale.
TEST(SaveWindowScale, AtDoubleScale) {
    if (windowtest::isDoubleScaleRun())
        GTEST_SKIP() << "this is the double-scale run";
    const QString failure = windowtest::failureAtDoubleScale("SaveWindow.*", 4);
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
}

} // namespace
