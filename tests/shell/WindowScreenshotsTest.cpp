// Pictures of the main window for a person to look at. Runs only when
// VELLUMARK_SCREENSHOT_DIR names a folder (tests/screenshots/window.sh sets it up under
// Xvfb); otherwise every case is skipped.
#include "app/VellumarkApp.h"
#include "support/PageViewTestSupport.h"
#include "support/WindowTestSupport.h"

#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "shell/AnnotationToolbar.h"
#include "shell/ContentView.h"
#include "shell/OutlineView.h"
#include "shell/PDFKitView.h"
#include "shell/PageNumberField.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "shell/SidebarView.h"
#include "shell/ThumbnailSidebarView.h"
#include "shell/WelcomeView.h"
#include "shell/ZoomBox.h"
#include "support/PdfFixtures.h"
#include "utilities/DigitalSignatureService.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/SignatureViewModel.h"
#include "widgets/Appearance.h"
#include "widgets/Icons.h"

#include <QScreen>

#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

QString shotsDir() {
    return qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
}

// The bench's prose document: real paragraphs, the word "Needle" here and there.
QString proseFile(int pages) {
    const QString path = folder() + QString("/annual-report-%1.pdf").arg(pages);
    if (!QFile::exists(path))
        QProcess::execute("python3",
                          {QStringLiteral(VELLUMARK_SOURCE_DIR) + "/bench/make_text_pdf.py",
                           QString::number(pages), path});
    return path;
}

void settle(ContentView& window) {
    QTest::qWait(50);
    if (auto* view = (window.pageView() ? window.pageView()->pdfView() : nullptr))
        fixtures::waitUntilSharp(*view);
    if (window.sidebar())
        if (auto* strip = window.sidebar()->thumbnails()->thumbnailView())
            fixtures::waitUntilIdle(*strip);
    QTest::qWait(50);
}

void save(QWidget& widget, const QString& name) {
    const QString path = QDir(shotsDir()).filePath(name + ".png");
    ASSERT_TRUE(widget.grab().save(path)) << path.toStdString();
}

class WindowScreenshots : public ::testing::Test {
protected:
    void SetUp() override {
        if (shotsDir().isEmpty())
            GTEST_SKIP() << "VELLUMARK_SCREENSHOT_DIR not set";
        QDir().mkpath(shotsDir());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // The window as the application makes it, menus included.
    std::unique_ptr<ContentView> made{VellumarkApp::makeWindow()};
    ContentView& window = *made;
};

} // namespace

TEST_F(WindowScreenshots, FreshWindowAndDropTarget) {
    settle(window);
    save(window, "01-fresh-window");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(folder() + "/dropped.pdf")});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(window.welcomeView(), &enter);
    settle(window);
    save(window, "02-drop-target");
}

TEST_F(WindowScreenshots, DocumentWithPagesAndBookmarks) {
    open(window, proseFile(12));
    window.documentVM()->goToPage(2);
    window.toolbarAction("Bookmark")->trigger();
    window.documentVM()->goToPage(0);
    window.toolbarAction("Bookmark")->trigger();
    window.documentVM()->goToPage(6);
    window.toolbarAction("Bookmark")->trigger();
    settle(window);
    save(window, "03-document-pages");
    window.sidebar()->setSelectedTab(SidebarTab::bookmarks);
    settle(window);
    save(window, "04-document-bookmarks");
}

TEST_F(WindowScreenshots, SearchBarWithResults) {
    open(window, proseFile(12));
    window.flags()->setShowSearch(true);
    QTest::keyClicks(window.searchBar()->field(), "needle");
    QTest::keyClick(window.searchBar()->field(), Qt::Key_Return);
    window.documentVM()->waitForSearch();
    window.searchBar()->nextButton()->click();
    settle(window);
    save(window, "05-search-results");
}

TEST_F(WindowScreenshots, AnnotationToolbarWithHighlightColours) {
    open(window, proseFile(12));
    window.flags()->setShowAnnotationToolbar(true);
    window.annotationVM()->setCurrentTool(AnnotationTool::highlight);
    const auto matches = window.documentVM()->pdfDocument()->findString("Brivel");
    ASSERT_GE(matches.size(), 3u);
    window.documentVM()->setCurrentSelection(matches[0]);
    window.annotationToolbar()->applyButton()->click();
    window.annotationVM()->setHighlightColor(HighlightColor::green);
    window.documentVM()->setCurrentSelection(matches[1]);
    window.annotationToolbar()->applyButton()->click();
    window.annotationVM()->setHighlightColor(HighlightColor::pink);
    window.documentVM()->setCurrentSelection(std::nullopt);
    settle(window);
    save(window, "06-annotation-toolbar");
    save(*window.annotationToolbar(), "07-annotation-toolbar-strip");
}

TEST_F(WindowScreenshots, SignedDocumentBar) {
    const QString path = folder() + "/signed-lease.pdf";
    auto doc = pdf::Document::open(proseFile(3));
    ASSERT_NE(doc, nullptr);
    const QByteArray bytes = DigitalSignatureService::signDocument(*doc, "Ada Lovelace",
                                                                   window.signatureVM()->keyStore())
                                 .signedData;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    open(window, path);
    settle(window);
    save(window, "08-signed-document-bar");
}

TEST_F(WindowScreenshots, ReaderContentsLinkHoverPageEntryAndZoomBox) {
    const QString path = fixtures::writeTemp(folder(), "guide.pdf", fixtures::navigationPdf());
    open(window, path);
    window.sidebar()->setSelectedTab(SidebarTab::contents);
    window.sidebar()->outline()->expandAll();
    settle(window);
    save(window, "08-contents-tab");

    PdfPageView* view = window.pageView()->pdfView();
    const QPointF web =
        view->pageRectInViewport(0).topLeft() + QPointF(150, 792 - 415) * view->scaleFactor();
    QTest::mouseMove(view->viewport(), web.toPoint());
    settle(window);
    save(window, "09-link-hover");

    window.pageCounter()->beginEntry();
    QTest::keyClicks(window.pageCounter(), "9");
    QTest::keyClick(window.pageCounter(), Qt::Key_Return);
    settle(window);
    save(window, "10-page-entry-out-of-range");
    QTest::keyClick(window.pageCounter(), Qt::Key_Escape);

    window.zoomBox()->showPopup();
    settle(window);
    // The popup is a window of its own: the whole screen shows both.
    const QPixmap screen = window.screen()->grabWindow(0);
    ASSERT_TRUE(screen.save(QDir(shotsDir()).filePath("11-zoom-box.png")));
    window.zoomBox()->hidePopup();
}

TEST_F(WindowScreenshots, SymbolsAndApplicationIcon) {
    const QStringList symbols = Icons::symbols();
    const int cell = 56, columns = 8;
    QImage sheet(columns * cell, ((int(symbols.size()) + columns - 1) / columns) * cell + 136,
                 QImage::Format_ARGB32);
    sheet.fill(QApplication::palette().color(QPalette::Window));
    QPainter painter(&sheet);
    for (int i = 0; i < symbols.size(); ++i) {
        EXPECT_TRUE(Icons::hasFallback(symbols[i])) << symbols[i].toStdString();
        painter.drawPixmap((i % columns) * cell + 16, (i / columns) * cell + 16,
                           Icons::pixmap(symbols[i], 24, Appearance::primary()));
    }
    painter.drawPixmap(8, sheet.height() - 132, Icons::applicationIcon().pixmap(128, 128));
    painter.end();
    ASSERT_TRUE(sheet.save(QDir(shotsDir()).filePath("08-symbols.png")));
}

TEST_F(WindowScreenshots, AboutDialog) {
    QAction* about = nullptr;
    for (QAction* top : window.menuBar()->actions())
        if (top->menu() && top->text() == "&Help")
            about = top->menu()->actions().value(0);
    ASSERT_TRUE(about);
    about->trigger();
    QDialog* dialog = window.findChild<QDialog*>("aboutDialog");
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    QTest::qWait(50);
    save(*dialog, "09-about");
    dialog->reject();
}
