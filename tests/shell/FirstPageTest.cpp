// What the window leaves until after the first page: the thumbnails wait for it even when
// the document was opened before the window first showed (as at start-up), and the
// annotation toolbar is built the first time it is wanted, and then looks, reads and
// behaves as one built at the start.
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "models/AnnotationStyle.h"
#include "pageview/PageRenderer.h"
#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "shell/AnnotationToolbar.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "shell/SidebarView.h"
#include "shell/ThumbnailSidebarView.h"
#include "viewmodels/AnnotationViewModel.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace windowtest;

namespace {

// The widgets Tab visits, in order, from the window's first one.
QList<QWidget*> tabOrder(QWidget* window) {
    QList<QWidget*> order;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled())
            order << w;
    return order;
}

} // namespace

TEST(FirstPage, TheAnnotationToolbarIsBuiltOnFirstUseAsItWouldHaveBeenAtTheStart) {
    ContentView window;
    window.resize(1000, 700);
    window.show();
    open(window, numberedFile("lazy-strip.pdf", 2));
    // Nothing of it exists while nobody asked for it.
    EXPECT_EQ(window.findChild<AnnotationToolbar*>(), nullptr);

    // Chosen before the strip exists (a page gesture, a saved setting): it shows so at once.
    window.annotationVM()->setCurrentTool(AnnotationTool::highlight);
    window.annotationVM()->setHighlightColor(HighlightColor::green);
    window.flags()->setShowSearch(true);
    window.toolbarAction("Annotate")->trigger();
    AnnotationToolbar* strip = window.findChild<AnnotationToolbar*>();
    ASSERT_NE(strip, nullptr);
    ASSERT_EQ(window.annotationToolbar(), strip);
    EXPECT_TRUE(strip->isVisible());
    EXPECT_TRUE(strip->toolButton(AnnotationTool::highlight)->isChecked());
    EXPECT_FALSE(strip->toolButton(AnnotationTool::freehand)->isChecked());
    EXPECT_TRUE(strip->swatch(HighlightColor::green)->isRinged());
    EXPECT_FALSE(strip->swatch(HighlightColor::yellow)->isRinged());
    EXPECT_TRUE(strip->applyButton()->isVisible());
    EXPECT_FALSE(strip->applyButton()->isEnabled()); // nothing selected to apply to

    // In its place: right below the search bar, above the page.
    ASSERT_TRUE(waitUntil([&] { return strip->height() > 0; }));
    const QWidget* searchHost = window.searchBar()->parentWidget();
    EXPECT_EQ(strip->geometry().top(), searchHost->geometry().bottom() + 1);
    EXPECT_EQ(strip->parentWidget(), searchHost->parentWidget());

    // Tab goes from the search bar into the strip's controls, in their order, and on.
    const QList<QWidget*> order = tabOrder(&window);
    const qsizetype field = order.indexOf(window.searchBar()->field());
    const qsizetype first = order.indexOf(strip->toolButton(allAnnotationTools().front()));
    ASSERT_GE(field, 0);
    ASSERT_GT(first, field);
    for (qsizetype i = field + 1; i < first; ++i)
        EXPECT_TRUE(searchHost->isAncestorOf(order[i])) << i; // only the bar's own buttons
    // Every tool, one after the other, then the rest of the strip, then what follows it.
    for (size_t i = 0; i < allAnnotationTools().size(); ++i)
        EXPECT_EQ(order.indexOf(strip->toolButton(allAnnotationTools()[i])), first + qsizetype(i));
    EXPECT_FALSE(strip->isAncestorOf(order.value(first - 1)));

    // Hidden and shown again, it is the same strip.
    window.toolbarAction("Annotate")->trigger();
    EXPECT_FALSE(strip->isVisible());
    window.toolbarAction("Annotate")->trigger();
    EXPECT_EQ(window.findChildren<AnnotationToolbar*>().size(), 1);
}

TEST(FirstPage, ADocumentOpenedBeforeTheWindowShowsDrawsItsPageBeforeAnyThumbnail) {
    // As at start-up: the window is made, the document opened, and only then shown.
    ContentView window;
    window.resize(1000, 700);
    open(window, numberedFile("startup-order.pdf", 12));
    PdfPageView* view = window.pageView()->pdfView();
    PageRenderer* thumbnails = window.sidebar()->thumbnails()->thumbnailView()->renderer();
    QStringList order;
    QObject::connect(view, &PdfPageView::painted, view, [&](bool sharp) {
        if (!sharp || order.contains("page"))
            return;
        order << "page";
        if (thumbnails->isBusy() || thumbnails->cachedBytes() > 0)
            order << "a thumbnail was asked for first";
    });
    QObject::connect(thumbnails, &PageRenderer::imageReady, view, [&] {
        if (!order.contains("thumbnail"))
            order << "thumbnail";
    });
    window.show();
    ASSERT_TRUE(waitUntil([&] { return order.contains("thumbnail"); }));
    EXPECT_EQ(order.join(", ").toStdString(), "page, thumbnail");
}
