// The window keeps the person's work: a locked document refuses every tool and writes
// nothing, unsaved changes show in the title and are offered for saving before the
// document goes, and Edit > Undo / Redo walk the document's edits.
#include "app/VellumarkApp.h"
#include "desktop/qt/QtAlerts.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "platform/NotificationCenter.h"
#include "shell/CommandVocabulary.h"
#include "shell/ContentView.h"
#include "shell/PageNumberField.h"
#include "shell/SheetFlags.h"
#include "shell/SheetPresenter.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FileConversionViewModel.h"
#include "viewmodels/OCRViewModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

using namespace fixtures;

namespace {

// Two pages that open only with "pw"; the owner password is "own".
QString lockedFile(const QString& name) {
    auto doc = pdf::Document::fromData(numberedPdf(2));
    pdf::WriteOptions options;
    options.userPassword = "pw";
    options.ownerPassword = "own";
    return writeTemp(windowtest::folder(), name, doc->serialize(options));
}

std::unique_ptr<AddAnnotationsEdit> highlight(const pdf::DocumentPtr& doc) {
    return std::make_unique<AddAnnotationsEdit>(
        "Highlight", doc, [](pdf::Document& d) -> std::vector<pdf::AnnotationPtr> {
            return {d.page(0)->addHighlight(QRectF(72, 700, 120, 20), Qt::yellow)};
        });
}

QAction* editAction(ContentView& window, const QString& name) {
    for (QAction* a : window.menuBar()->findChildren<QAction*>())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

void saveScreen(const QString& name) {
    const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (dir.isEmpty() || !QGuiApplication::primaryScreen())
        return;
    QDir().mkpath(dir);
    QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(dir).filePath(name + ".png"));
}

} // namespace

TEST(KeepWorkWindow, ALockedDocumentRefusesEveryToolAndWritesNothing) {
    QTemporaryDir out;
    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    // Every dialog would answer with a place to write, had any tool got that far.
    for (int i = 0; i < 12; ++i) {
        dialogs->scriptSave(out.filePath(QStringLiteral("written-%1.pdf").arg(i)));
        dialogs->scriptFolder(out.path());
    }
    std::unique_ptr<ContentView> window(VellumarkApp::makeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose, false); // the test owns it
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    windowtest::open(*window, lockedFile("secret.pdf"));
    const pdf::DocumentPtr doc = window->documentVM()->pdfDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->isLocked());

    EXPECT_EQ(window->pageCounter()->text(), "Locked");
    EXPECT_EQ(window->windowTitle(), QString("secret.pdf \u2014 Locked"));
    saveScreen("keep-locked-counter");

    struct Sheet {
        SheetKind kind;
        void (SheetFlags::*raise)(bool);
        bool (SheetFlags::*shown)() const;
    };
    using F = SheetFlags;
    const std::vector<Sheet> sheets{
        {SheetKind::exportSheet, &F::setShowExport, &F::showExport},
        {SheetKind::signature, &F::setShowSignature, &F::showSignature},
        {SheetKind::pageManagement, &F::setShowPageManagement, &F::showPageManagement},
        {SheetKind::watermark, &F::setShowWatermark, &F::showWatermark},
        {SheetKind::formFields, &F::setShowFormFields, &F::showFormFields},
        {SheetKind::compare, &F::setShowCompare, &F::showCompare},
        {SheetKind::passwordProtection, &F::setShowPasswordProtection, &F::showPasswordProtection},
        {SheetKind::reduceFileSize, &F::setShowReduceFileSize, &F::showReduceFileSize},
        {SheetKind::findAndRedact, &F::setShowFindAndRedact, &F::showFindAndRedact},
    };
    for (const Sheet& sheet : sheets) {
        (window->flags()->*sheet.raise)(true);
        EXPECT_EQ(window->sheetPresenter()->dialog(sheet.kind), nullptr) << int(sheet.kind);
        EXPECT_FALSE((window->flags()->*sheet.shown)()) << int(sheet.kind);
    }
    window->exportAsText();
    window->ocrCurrentPage();
    window->ocrEntireDocument();
    window->applyRedactions();
    EXPECT_FALSE(window->ocrVM()->showOCRSheet());
    // Each refusal says the document is locked and offers to unlock it.
    ASSERT_EQ(alerts->confirmations.size(), sheets.size() + 4);
    for (const QString& message : alerts->confirmations)
        EXPECT_TRUE(message.contains("is locked")) << message.toStdString();

    // Below the window, the writers refuse too: the bytes would still be ciphertext.
    EXPECT_TRUE(FileConversionViewModel::exportAnnotatedPDF(*doc, "secret.pdf").failed());
    EXPECT_FALSE(FileConversionViewModel::exportCurrentPageAsImage(*doc, 0).status ==
                 FileConversionViewModel::ExportOutcome::Status::written);
    QString why;
    EXPECT_FALSE(doc->write(out.filePath("direct.pdf"), {}, &why));
    EXPECT_TRUE(why.contains("locked")) << why.toStdString();
    EXPECT_TRUE(doc->dataRepresentation().isEmpty());

    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(doc->isLocked());
    EXPECT_EQ(window->documentVM()->pdfDocument(), doc);
    EXPECT_FALSE(window->documentVM()->canUndo());
    EXPECT_FALSE(window->documentVM()->isModified());

    // Unlocked, the same tools work and the counter counts pages.
    ASSERT_TRUE(doc->unlock("pw"));
    window->documentVM()->setTotalPages(doc->pageCount());
    window->flags()->setShowExport(true);
    EXPECT_NE(window->sheetPresenter()->dialog(SheetKind::exportSheet), nullptr);
    window->flags()->setShowExport(false);
    EXPECT_EQ(window->pageCounter()->text(), "1 / 2");
}

TEST(KeepWorkWindow, TheTitleShowsUnsavedChangesAndTheMenuUndoesThem) {
    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    std::unique_ptr<ContentView> window(VellumarkApp::makeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose, false); // the test owns it
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    windowtest::open(*window, windowtest::numberedFile("notes.pdf", 2));
    DocumentViewModel* vm = window->documentVM();
    const pdf::DocumentPtr doc = vm->pdfDocument();
    QAction* undo = editAction(*window, Notifications::undo);
    QAction* redo = editAction(*window, Notifications::redo);
    ASSERT_TRUE(undo && redo);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_TRUE(window->windowTitle().startsWith("notes.pdf"));

    ASSERT_TRUE(vm->perform(highlight(doc)));
    EXPECT_TRUE(window->windowTitle().startsWith(QString("\u2022 notes.pdf")));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "Undo Highlight");

    undo->trigger();
    EXPECT_TRUE(doc->page(0)->annotations().empty());
    EXPECT_TRUE(window->windowTitle().startsWith("notes.pdf"));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(redo->text(), "Redo Highlight");
    // The keyboard reaches the same commands.
    window->commandCenter().post(Notifications::redo);
    EXPECT_EQ(doc->page(0)->annotations().size(), 1u);
    EXPECT_TRUE(vm->isModified());

    // Close, Open and a replacing document each ask; Cancel keeps all as it was.
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    window->commandCenter().post(Notifications::openFile);
    EXPECT_TRUE(dialogs->openRequests.empty());
    EXPECT_FALSE(vm->loadDocument(QUrl::fromLocalFile(windowtest::numberedFile("other.pdf", 1))));
    EXPECT_EQ(alerts->unsavedAsked.size(), 3u);
    EXPECT_EQ(vm->pdfDocument(), doc);
    EXPECT_EQ(doc->page(0)->annotations().size(), 1u);
    EXPECT_TRUE(vm->canUndo());

    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::discard);
    EXPECT_TRUE(window->close());
}

TEST(KeepWorkWindow, TheUnsavedChangesPromptOffersSaveDiscardAndCancel) {
    // The real message box: its buttons, and Cancel keeping the window open.
    const auto previous = Alerts::install(std::make_shared<QtAlerts>());
    ScopedFileDialogs dialogs;
    std::unique_ptr<ContentView> window(VellumarkApp::makeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose, false); // the test owns it
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    windowtest::open(*window, windowtest::numberedFile("draft.pdf", 2));
    ASSERT_TRUE(window->documentVM()->perform(highlight(window->documentVM()->pdfDocument())));

    QStringList buttons;
    QTimer::singleShot(300, [&buttons] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        saveScreen("keep-unsaved-prompt");
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "Cancel")
                b->click();
    });
    EXPECT_FALSE(window->close());
    Alerts::install(previous);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Cancel", "Discard", "Save"}));
    EXPECT_TRUE(window->documentVM()->isModified());
}
