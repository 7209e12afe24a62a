// Two application windows, each with its own document: every command of the menu
// catalogue, given by its shortcut or its menu item in one window, acts in that window and
// leaves the other as it was. Commands that ask the person something ask once.
#include "app/VellumarkApp.h"
#include "pageview/PdfPageView.h"
#include "shell/CommandVocabulary.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SheetFlags.h"
#include "support/FakeClipboard.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/OCRViewModel.h"
#include "viewmodels/RotatePageEdit.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMetaProperty>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

using namespace windowtest;

namespace {

using State = std::map<QString, QString>;

// Everything a command could change in one window, as text.
State stateOf(ContentView& w) {
    DocumentViewModel* doc = w.documentVM();
    State s;
    s["page"] = QString::number(doc->currentPageIndex());
    s["name"] = doc->fileName();
    s["scale"] = QString::number(doc->scaleFactor());
    s["mode"] = QString::number(int(doc->displayMode()));
    s["canUndo"] = QString::number(doc->canUndo());
    s["canRedo"] = QString::number(doc->canRedo());
    s["modified"] = QString::number(doc->isModified());
    QStringList marks;
    for (const Bookmark& b : w.bookmarkVM()->bookmarks())
        marks << QString::number(b.pageIndex);
    s["bookmarks"] = marks.join(',');
    const QMetaObject* meta = w.flags()->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        s[QString("flag.") + meta->property(i).name()] =
            QString::number(meta->property(i).read(w.flags()).toBool());
    s["ocr.running"] = QString::number(w.ocrVM()->isOCRRunning());
    s["ocr.sheet"] = QString::number(w.ocrVM()->showOCRSheet());
    return s;
}

std::string changes(const State& before, const State& after) {
    std::string out;
    for (const auto& [key, value] : after)
        if (before.at(key) != value)
            out += (key + "=" + value + " ").toStdString();
    return out;
}

void rotateFirstPage(ContentView& w) {
    w.documentVM()->perform(std::make_unique<RotatePageEdit>(w.documentVM()->pdfDocument(), 0));
}

// One catalogue item: the entry of the window's state the command must change (when
// empty, the file dialogs count what it did), what each window is given first, and the
// answers the dialogs or the clipboard hold for it.
struct Item {
    QString label;
    QString name;
    QString changes;
    std::function<void(ContentView&)> prepare = {};
    std::function<void()> script = {};
};

class WindowCommandsTest : public ::testing::Test {
protected:
    // Two windows made as the application makes them, each on the middle page of a
    // three-page file of its own (fresh names: a file reopens where it was left).
    void openTwoWindows() {
        static int round = 0;
        ++round;
        for (ContentView*& w : windows) {
            w = VellumarkApp::makeWindow();
            const QString name = QString("%1-%2.pdf").arg(w == windows[0] ? "a" : "b").arg(round);
            ASSERT_EQ(VellumarkApp::openArgument(w, numberedFile(name, 3)), QString());
            w->documentVM()->goToPage(1);
            w->show();
        }
        windows[1]->move(windows[0]->pos() + QPoint(40, 40));
        for (ContentView* w : windows)
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }

    void TearDown() override { closeWindows(); } // after a failed check, too

    void closeWindows() {
        for (ContentView*& w : windows) {
            if (!w)
                continue;
            w->ocrVM()->cancel();
            w->ocrVM()->waitForBackgroundWork();
            delete w; // not close(): an edited document would ask to be saved
            w = nullptr;
        }
    }

    // Gives the first window the keyboard, with its page view focused (a text field would
    // take Ctrl+Z for itself).
    void focusFirst() {
        ContentView* a = windows[0];
        a->activateWindow();
        QApplication::setActiveWindow(a);
        ASSERT_TRUE(QTest::qWaitForWindowActive(a));
        a->pageView()->pdfView()->setFocus();
    }

    ContentView* windows[2] = {nullptr, nullptr};
    ScopedFileDialogs dialogs;
    ScopedAlerts alerts;
    ScopedClipboard clipboard;
};

} // namespace

TEST_F(WindowCommandsTest, EachCommandActsInTheWindowItWasGivenInOnly) {
    namespace N = Notifications;
    const QString other = numberedFile("other.pdf", 5);
    const QString picture = folder() + "/picture.png";
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(picture));
    const auto zoomed = [](ContentView& w) { w.documentVM()->zoomIn(); };
    const auto layout = [](PDFDisplayMode mode) {
        return [mode](ContentView& w) { w.documentVM()->setDisplayMode(mode); };
    };
    const std::vector<Item> catalogue{
        {"New Document...", N::newDocument, "flag.showDocumentCreation"},
        {"Open...", N::openFile, "name", {}, [&] { dialogs->scriptOpen({other}); }},
        {"Save", N::save, "modified", rotateFirstPage},
        {"Save As...",
         N::saveAs,
         "name",
         {},
         [&] { dialogs->scriptSave(folder() + "/saved-as.pdf"); }},
        {"Close", N::closeDocument, "name"},
        {"Import Images as PDF...",
         N::importImages,
         "name",
         {},
         [&] { dialogs->scriptOpen({picture}); }},
        {"Create PDF from Clipboard",
         N::clipboardToPDF,
         "name",
         {},
         [&] { clipboard->setText("Notes from the clipboard"); }},
        {"Undo", N::undo, "canUndo", rotateFirstPage},
        {"Redo", N::redo, "canRedo",
         [](ContentView& w) {
             rotateFirstPage(w);
             w.documentVM()->undo();
         }},
        {"Find...", N::toggleSearch, "flag.showSearch"},
        {"Zoom In", N::zoomIn, "scale"},
        {"Zoom Out", N::zoomOut, "scale"},
        {"Zoom to Fit", N::zoomToFit, "scale", zoomed},
        {"Single Page", N::setDisplayMode, "mode"},
        {"Single Page Continuous", N::setDisplayMode, "mode", layout(PDFDisplayMode::twoUp)},
        {"Two Pages", N::setDisplayMode, "mode"},
        {"Two Pages Continuous", N::setDisplayMode, "mode"},
        {"Next Page", N::nextPage, "page"},
        {"Previous Page", N::previousPage, "page"},
        {"First Page", N::firstPage, "page"},
        {"Last Page", N::lastPage, "page"},
        {"Add/Remove Bookmark", N::toggleBookmark, "bookmarks"},
        {"Page Management...", N::showPageManagement, "flag.showPageManagement"},
        {"Sign Document...", N::showSignature, "flag.showSignature"},
        {"Password Protection...", N::showPasswordProtection, "flag.showPasswordProtection"},
        {"Add Watermark...", N::showWatermark, "flag.showWatermark"},
        {"Find and Redact...", N::showFindAndRedact, "flag.showFindAndRedact"},
        {"Apply Redactions...", N::applyRedactions, ""}, // no marks: it only says so
        {"Compare Documents...", N::showCompare, "flag.showCompare"},
        {"Reduce File Size...", N::showReduceFileSize, "flag.showReduceFileSize"},
        {"Export as Text...", N::exportAsText, ""},
        {"OCR Current Page", N::ocrCurrentPage, "ocr.running"},
        {"OCR Entire Document", N::ocrDocument, "ocr.running"},
        {"Make Searchable", N::makeSearchable, "ocr.running"},
        {"Export...", N::showExport, "flag.showExport"},
    };
    std::set<QString> covered;
    for (const Item& item : catalogue)
        covered.insert(item.name);
    EXPECT_EQ(covered.size(), size_t(Notifications::all().size()));

    int keyed = 0;
    for (const Item& item : catalogue) {
        SCOPED_TRACE(item.label.toStdString());
        openTwoWindows();
        QAction* action = menuItem(*windows[0], item.label);
        ASSERT_TRUE(action);
        // Each shortcut of the item is a round of its own, on freshly prepared windows.
        const QList<QKeySequence> keys = action->shortcuts();
        for (qsizetype round = 0; round < std::max<qsizetype>(1, keys.size()); ++round) {
            if (round > 0) {
                closeWindows();
                openTwoWindows();
            }
            if (item.prepare) {
                item.prepare(*windows[0]);
                item.prepare(*windows[1]);
            }
            dialogs->openAnswers.clear();
            if (item.script)
                item.script();
            focusFirst();
            const size_t opens = dialogs->openRequests.size();
            const size_t saves = dialogs->saveRequests.size();
            const State beforeA = stateOf(*windows[0]);
            const State beforeB = stateOf(*windows[1]);
            if (keys.isEmpty()) {
                menuItem(*windows[0], item.label)->trigger();
            } else {
                const QKeyCombination key = keys[round][0];
                QTest::keyClick(windows[0], key.key(), key.keyboardModifiers());
                ++keyed;
            }
            const State afterA = stateOf(*windows[0]);
            if (!item.changes.isEmpty()) {
                EXPECT_NE(beforeA.at(item.changes), afterA.at(item.changes))
                    << "acted in its own window: " << changes(beforeA, afterA);
            }
            EXPECT_EQ(changes(beforeB, stateOf(*windows[1])), "") << "the other window";

            const bool opensFile = item.name == N::openFile || item.name == N::importImages;
            EXPECT_EQ(dialogs->openRequests.size() - opens, opensFile ? 1u : 0u);
            const bool asksWhere = item.name == N::exportAsText || item.name == N::saveAs;
            EXPECT_EQ(dialogs->saveRequests.size() - saves, asksWhere ? 1u : 0u);
            if (item.name == N::exportAsText && dialogs->saveRequests.size() > saves) {
                EXPECT_TRUE(dialogs->saveRequests.back().proposedName.startsWith("a-"))
                    << dialogs->saveRequests.back().proposedName.toStdString();
            }
        }
        closeWindows();
    }
    // The fifteen named shortcuts, Ctrl+= beside Ctrl++, Undo and Redo, Save, Save As, Close.
    EXPECT_EQ(keyed, 21);
}

TEST_F(WindowCommandsTest, ScrollingOneWindowLeavesTheOtherOnItsPage) {
    // The page views' notices travel on a shared centre; each bridge answers its own view.
    openTwoWindows();
    PdfPageView* view = windows[0]->pageView()->pdfView();
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->value() + int(view->pageRectInViewport(2).top()) - 10);
    EXPECT_EQ(windows[0]->documentVM()->currentPageIndex(), 2);
    EXPECT_EQ(windows[1]->documentVM()->currentPageIndex(), 1);
    closeWindows();
}
