// Page labels, the review of annotations, attachments and the document's properties, used
// as a person does: mouse and keys in a 640 px window, and once more at twice the scale.
#include "support/FakeClipboard.h"
#include "support/ReaderFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "support/WindowTestSupport.h"

#include "desktop/FileLauncher.h"
#include "pageview/AnnotationSelector.h"
#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "pdf/annotations/AnnotationList.h"
#include "sheets/DocumentPropertiesView.h"
#include "shell/AttachmentListView.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/ReviewPanelView.h"
#include "shell/SearchBarView.h"
#include "shell/SidebarView.h"
#include "shell/ThumbnailSidebarView.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/ReviewViewModel.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <iostream>

using namespace windowtest;
using namespace fixtures;

namespace {

class RecordingLauncher : public FileLauncher {
public:
    bool openWithDesktop(const QString& path) override {
        opened << path;
        return true;
    }
    QStringList opened;
};

bool visibleInside(const QWidget* w, const QWidget* window) {
    return w->isVisible() && window->rect().contains(QRect(w->mapTo(window, QPoint()), w->size()));
}

// i–iv, 1–2, A-1, A-2; Ada's note with Brian's reply on page i, Cleo's highlight on page 1.
QString reviewedFile() {
    ReaderPdf pdf(8);
    const int note = pdf.annotate(0, "<< /Type /Annot /Subtype /Text /Rect [100 700 120 720] "
                                     "/T (Ada) /Contents (Check these figures please) "
                                     "/M (D:20240102030405Z) /C [1 0.8 0] >>");
    pdf.annotate(0, "<< /Type /Annot /Subtype /Text /Rect [100 700 120 720] /T (Brian) "
                    "/Contents (They are right) /IRT " +
                        objectRef(note) + ">>");
    pdf.annotate(4, "<< /Type /Annot /Subtype /Highlight /Rect [72 600 200 620] /T (Cleo) "
                    "/Contents (Key sentence) /C [1 1 0] "
                    "/QuadPoints [72 620 200 620 72 600 200 600] >>");
    return writeTemp(folder(), "reviewed.pdf",
                     pdf.build("/PageLabels << /Nums [0 << /S /r >> 4 << /S /D >> "
                               "6 << /S /D /P (A-) >>] >>"));
}

// A report with a table (document level) and a script, attached by qpdf.
QString attachedFile() {
    const QString base = writeTemp(folder(), "plain.pdf", ReaderPdf(2).build());
    const QString table = writeTemp(folder(), "figures.csv", "year,total\n2024,1500\n");
    const QString script = writeTemp(folder(), "setup.sh", "#!/bin/sh\necho owned\n");
    const QString out = QDir(folder()).filePath("attached.pdf");
    int code = -1;
    runTool("qpdf",
            {base, out, "--add-attachment", table, "--description=The figures", "--",
             "--add-attachment", script, "--", "--"},
            &code);
    return code == 0 ? out : QString();
}

class ReaderExtras : public ::testing::Test {
protected:
    void SetUp() override {
        std::cout << "device pixel ratio " << window.devicePixelRatio() << std::endl;
    }
    void show(const QString& path) {
        open(window, path);
        window.resize(640, 480);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
    }
    void typeIntoCounter(const QString& text) {
        PageNumberField* counter = window.pageCounter();
        QTest::mouseClick(counter, Qt::LeftButton);
        QTest::qWait(1);
        QTest::keyClick(counter, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(counter, text);
        QTest::keyClick(counter, Qt::Key_Return);
    }
    void chooseSegment(SidebarTab tab) {
        QToolButton* segment = window.sidebar()->segment(tab);
        ASSERT_TRUE(visibleInside(segment, &window)) << rawValue(tab).toStdString();
        QTest::mouseClick(segment, Qt::LeftButton);
        ASSERT_EQ(window.sidebar()->selectedTab(), tab);
    }
    void clickRow(QTreeWidget* tree, QTreeWidgetItem* item) {
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(item).center());
    }
    int page() const { return window.documentVM()->currentPageIndex(); }

    ContentView window;
};

TEST_F(ReaderExtras, PageLabelsLeadTheCounterThumbnailsAndEntry) {
    show(reviewedFile());
    PageNumberField* counter = window.pageCounter();
    window.pageView()->pdfView()->setFocus(); // the counter reads whole while not typed into
    QCoreApplication::processEvents();
    EXPECT_EQ(counter->text(), "i (1 / 8)");
    EXPECT_TRUE(visibleInside(counter, &window));
    PdfThumbnailView* strip = window.sidebar()->thumbnails()->thumbnailView();
    EXPECT_EQ(strip->caption(3), "iv (4)");
    EXPECT_EQ(strip->caption(6), "A-1 (7)");

    typeIntoCounter("iv");
    ASSERT_TRUE(waitUntil([&] { return page() == 3; }));
    EXPECT_EQ(counter->text(), "iv (4 / 8)");
    typeIntoCounter("2"); // the page labelled 2, not the second page
    ASSERT_TRUE(waitUntil([&] { return page() == 5; }));
    typeIntoCounter("a-2");
    ASSERT_TRUE(waitUntil([&] { return page() == 7; }));
    EXPECT_EQ(counter->text(), "A-2 (8 / 8)");
    typeIntoCounter("xlii");
    EXPECT_FALSE(counter->complaint().isEmpty());
    EXPECT_EQ(page(), 7);
    QTest::keyClick(counter, Qt::Key_Escape);

    // A match's page is named by its label too.
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(window.searchBar()->field(), "Page 4");
    QTest::keyClick(window.searchBar()->field(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] {
        return window.searchBar()->counter()->text() == "1 of 1 \u00b7 page iv (4)";
    })) << window.searchBar()->counter()->text().toStdString();
}

TEST_F(ReaderExtras, ReviewListsFiltersGoesDeletesAndReplies) {
    show(reviewedFile());
    chooseSegment(SidebarTab::review);
    ReviewPanelView* panel = window.sidebar()->reviewPanel();
    QTreeWidget* tree = panel->tree();
    ASSERT_TRUE(visibleInside(tree, &window));
    ASSERT_EQ(tree->topLevelItemCount(), 2); // pages i and 1
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Page i (1)");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "Page 1 (5)");
    QTreeWidgetItem* note = tree->topLevelItem(0)->child(0);
    EXPECT_TRUE(note->text(0).startsWith("Note \u00b7 Ada \u00b7 "));
    EXPECT_TRUE(note->text(0).endsWith("\nCheck these figures please"));
    ASSERT_EQ(note->childCount(), 1);
    EXPECT_TRUE(note->child(0)->text(0).startsWith("Reply \u00b7 Brian"));

    // The author list, by keyboard: All authors, Ada, Brian, Cleo.
    QComboBox* authors = panel->authorFilter();
    authors->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(authors, Qt::Key_Down);
    ASSERT_EQ(authors->currentText(), "Cleo");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* highlight = tree->topLevelItem(0)->child(0);
    clickRow(tree, highlight);
    ASSERT_TRUE(waitUntil([&] { return page() == 4; }));
    AnnotationSelector* selector = window.pageView()->pdfView()->annotationSelector();
    ASSERT_TRUE(selector->selected());
    EXPECT_EQ(selector->selected()->subtype(), "Highlight");

    // Delete removes it as one step; Undo brings it back.
    const int steps = window.documentVM()->undoStack()->count();
    clickRow(tree, highlight);
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(panel->model()->entries().size(), 2u);
    EXPECT_EQ(window.documentVM()->undoStack()->count(), steps + 1);
    window.documentVM()->undo();
    EXPECT_EQ(panel->model()->entries().size(), 3u);

    // A note deleted and brought back keeps its reply.
    authors->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(authors, Qt::Key_Up);
    ASSERT_EQ(authors->currentText(), "All authors");
    clickRow(tree, tree->topLevelItem(0)->child(0));
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 1); // the reply, alone
    window.documentVM()->undo();
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->childCount(), 1);

    // A reply to Ada's note, typed into the field.
    note = tree->topLevelItem(0)->child(0);
    const int noteObject = note->data(0, Qt::UserRole + 1).toInt();
    clickRow(tree, note);
    QLineEdit* field = panel->replyField();
    ASSERT_TRUE(field->isEnabled());
    ASSERT_TRUE(visibleInside(field, &window));
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClicks(field, "Agreed, thanks");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(field->text().isEmpty());
    note = panel->itemForObject(noteObject); // the list was made again
    ASSERT_TRUE(note);
    ASSERT_EQ(note->childCount(), 2);
    EXPECT_TRUE(note->child(1)->text(0).endsWith("\nAgreed, thanks"));
    EXPECT_EQ(window.documentVM()->undoName(), "Add Reply");

    // Another reader sees a whole file whose reply names the note.
    const QString copy = QDir(folder()).filePath("replied.pdf");
    ASSERT_TRUE(window.documentVM()->pdfDocument()->write(copy));
    int code = -1;
    runTool("qpdf", {"--check", copy}, &code);
    EXPECT_EQ(code, 0);
    const auto entries = pdf::listAnnotations(*pdf::Document::open(copy));
    ASSERT_EQ(entries.size(), 4u);
    auto objectOf = [&](const QString& text) {
        for (const pdf::AnnotationEntry& entry : entries)
            if (entry.contents == text)
                return std::pair(entry.object, entry.inReplyTo);
        return std::pair(-1, -1);
    };
    const int noteInFile = objectOf("Check these figures please").first;
    EXPECT_EQ(objectOf("Agreed, thanks").second, noteInFile);
    EXPECT_EQ(objectOf("They are right").second, noteInFile); // after the note's delete and undo
}

TEST_F(ReaderExtras, AttachmentsOpenFromAPrivateCopyOrSaveAndProgramsAreRefused) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf is not installed";
    const QString path = attachedFile();
    ASSERT_FALSE(path.isEmpty());
    auto launcher = std::make_shared<RecordingLauncher>();
    const auto previous = FileLauncher::install(launcher);
    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    show(path);
    chooseSegment(SidebarTab::attachments);
    AttachmentListView* view = window.sidebar()->attachmentList();
    QListWidget* list = view->list();
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith("figures.csv\n21 bytes"))
        << list->item(0)->text().toStdString();
    EXPECT_TRUE(list->item(0)->text().endsWith("The figures"));

    // A double click opens a private copy.
    const QPoint first = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->item(0)).center());
    ASSERT_EQ(launcher->opened.size(), 1);
    const QFileInfo copy(launcher->opened[0]);
    EXPECT_EQ(copy.fileName(), "figures.csv");
    EXPECT_EQ(copy.permissions() & (QFile::ReadOther | QFile::ReadGroup | QFile::ExeOwner), 0);
    EXPECT_EQ(QFileInfo(copy.absoluteDir().absolutePath() + "/..").permissions() &
                  (QFile::ReadOther | QFile::ReadGroup),
              0);
    QFile opened(copy.filePath());
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    EXPECT_EQ(opened.readAll(), "year,total\n2024,1500\n");

    // The script is never handed to the desktop; Save As keeps it.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QTest::mouseClick(view->openButton(), Qt::LeftButton);
    EXPECT_EQ(launcher->opened.size(), 1);
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_TRUE(alerts->notices[0].contains("setup.sh"));
    const QString kept = QDir(folder()).filePath("kept.sh");
    dialogs->scriptSave(kept);
    ASSERT_TRUE(visibleInside(view->saveButton(), &window));
    QTest::mouseClick(view->saveButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "setup.sh");
    QFile saved(kept);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "#!/bin/sh\necho owned\n");
    FileLauncher::install(previous);
}

TEST_F(ReaderExtras, PropertiesFromTheKeyboardAreCopyableText) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf is not installed";
    const QString plain = writeTemp(folder(), "facts.pdf", ReaderPdf(3).build());
    const QString path = QDir(folder()).filePath("facts-locked.pdf");
    int code = -1;
    runTool("qpdf", {plain, path, "--encrypt", "", "owner", "256", "--print=none", "--"}, &code);
    ASSERT_EQ(code, 0);
    ScopedClipboard clipboard;
    show(path);
    QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
    DocumentPropertiesView* sheet = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        sheet = window.findChild<DocumentPropertiesView*>();
        return sheet && sheet->isVisible();
    }));
    const QString text = sheet->textView()->toPlainText();
    for (const char* line :
         {"File: facts-locked.pdf", "PDF version: 1.7", "Pages: 3",
          "Page size: 612 \u00d7 792 pt (216 \u00d7 279 mm)", "Permissions: not allowed: printing",
          "Tagged: No", "Signed: No", "Helvetica \u2014 Type 1, not embedded"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains("Encrypted: ") && text.contains("AES"));
    // The sheet stays inside the window, and its text goes to the clipboard whole.
    EXPECT_LE(sheet->width(), window.screen()->availableGeometry().width());
    QTest::mouseClick(sheet->copyButton(), Qt::LeftButton);
    EXPECT_EQ(clipboard->text(), text);
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !sheet || !sheet->isVisible(); }));
}

// For people to look at: VELLUMARK_SCREENSHOT_DIR gets one picture of each part.
TEST_F(ReaderExtras, Screenshots) {
    const QString dir = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (dir.isEmpty() || !toolAvailable("qpdf"))
        GTEST_SKIP() << "VELLUMARK_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    const QString suffix = window.devicePixelRatio() > 1 ? "@2x" : "";
    auto save = [&](QWidget* widget, const QString& name) {
        QTest::qWait(400);
        QCoreApplication::processEvents();
        widget->grab().save(dir + "/" + name + suffix + ".png");
    };
    show(reviewedFile());
    window.resize(900, 620);
    window.pageView()->pdfView()->setFocus();
    window.documentVM()->goToPage(3);
    ASSERT_TRUE(waitUntil([&] { return page() == 3; }));
    save(&window, "page-labels");
    chooseSegment(SidebarTab::review);
    ReviewPanelView* panel = window.sidebar()->reviewPanel();
    clickRow(panel->tree(), panel->tree()->topLevelItem(0)->child(0));
    QTest::keyClicks(panel->replyField(), "Agreed, thanks");
    QTest::keyClick(panel->replyField(), Qt::Key_Return);
    save(&window, "review-panel");
    window.resize(640, 480);
    save(&window, "review-panel-640");
    window.showDocumentProperties();
    auto* sheet = window.findChild<DocumentPropertiesView*>();
    ASSERT_TRUE(sheet);
    save(sheet, "properties");
    sheet->close();

    ContentView other;
    open(other, attachedFile());
    other.resize(900, 620);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::mouseClick(other.sidebar()->segment(SidebarTab::attachments), Qt::LeftButton);
    save(&other, "attachments");
}

// The cases above once more in a process at twice the scale: the scale is fixed per process.
TEST(ReaderExtrasScale, AtDoubleScale) {
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2")
        GTEST_SKIP() << "this is the double-scale run";
    const auto [exitCode, output] =
        windowtest::runAtDoubleScale("ReaderExtras.*:-ReaderExtras.Screenshots");
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(output.contains("device pixel ratio 2")) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 4 tests")) << output.toStdString();
}

} // namespace
