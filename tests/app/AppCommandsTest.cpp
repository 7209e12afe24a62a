#include "app/AppCommands.h"

#include "platform/NotificationCenter.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// "Label|shortcut" per item, "-" per separator.
QStringList describe(QMenu* menu) {
    QStringList rows;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            rows << "-";
        else
            rows << a->text() + "|" + a->shortcut().toString(QKeySequence::PortableText);
    }
    return rows;
}

QMenu* menu(QMenuBar* bar, const QString& title) {
    for (QAction* a : bar->actions())
        if (a->menu() && a->menu()->title().remove('&') == title)
            return a->menu();
    return nullptr;
}

// Records every posting of every catalogue name on the centre the menus are given.
struct Recorder {
    Recorder() {
        for (const QString& name :
             Notifications::all() +
                 QStringList{Notifications::setReadingColours, Notifications::startPresentation})
            center.subscribe(name, &owner, [this, name](const QVariant& v) {
                posts.append({name, v});
            });
    }
    NotificationCenter center;
    QObject owner;
    QList<QPair<QString, QVariant>> posts;
};

} // namespace

TEST(AppCommands, VocabularyIsThirtyTwoNamesEqualToTheirIdentifiers) {
    const QStringList& all = Notifications::all();
    EXPECT_EQ(all.size(), 32);
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), 32);
    EXPECT_EQ(Notifications::saveAs, "saveAs");
    EXPECT_EQ(Notifications::undo, "undo");
    EXPECT_EQ(Notifications::ocrDocument, "ocrDocument");
    EXPECT_EQ(Notifications::showPasswordProtection, "showPasswordProtection");
    EXPECT_EQ(int(toPDFDisplayMode(PDFDisplayModeValue::twoUpContinuous)), 3);
    EXPECT_EQ(int(toPDFDisplayMode(PDFDisplayModeValue::singlePage)), 0);
}

TEST(AppCommands, MenusHoldTheCatalogueInOrder) {
    QMenuBar bar;
    NotificationCenter center;
    AppCommands::install(&bar, center);
    QStringList titles;
    for (QAction* a : bar.actions())
        titles << a->text();
    // Each title carries its Alt access key.
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Go", "&Tools", "&Help"}));

    EXPECT_EQ(
        describe(menu(&bar, "File")),
        (QStringList{"New Document...|Ctrl+N", "Open...|Ctrl+O", "-", "Save|Ctrl+S",
                     "Save As...|Ctrl+Shift+S", "Close|Ctrl+W", "-", "Import Images as PDF...|",
                     "Create PDF from Clipboard|", "-", "Reduce File Size...|"}));
    EXPECT_EQ(describe(menu(&bar, "Edit")),
              (QStringList{"Undo|Ctrl+Z", "Redo|Ctrl+Shift+Z", "-", "Find...|Ctrl+F"}));
    EXPECT_EQ(describe(menu(&bar, "View")),
              (QStringList{"Zoom In|Ctrl++", "Zoom Out|Ctrl+-", "Zoom to Fit|Ctrl+0", "-",
                           "Single Page|", "Single Page Continuous|", "Two Pages|",
                           "Two Pages Continuous|", "-", "Colours|", "Presentation|F5"}));
    EXPECT_EQ(
        describe(menu(&bar, "Go")),
        (QStringList{"Next Page|Ctrl+Down", "Previous Page|Ctrl+Up", "-", "First Page|Ctrl+Home",
                     "Last Page|Ctrl+End", "-", "Add/Remove Bookmark|Ctrl+D"}));
    EXPECT_EQ(
        describe(menu(&bar, "Tools")),
        (QStringList{"Page Management...|Ctrl+Shift+P", "-", "Sign Document...|Ctrl+Shift+G",
                     "Password Protection...|", "Add Watermark...|", "-", "Find and Redact...|",
                     "Apply Redactions...|", "-", "Compare Documents...|", "Export as Text...|",
                     "-", "OCR Current Page|Ctrl+Shift+R", "OCR Entire Document|",
                     "Make Searchable|", "-", "Export...|Ctrl+Shift+E"}));
}

TEST(AppCommands, EveryItemIsEnabledAndPostsItsName) {
    QMenuBar bar;
    Recorder recorder;
    AppCommands::install(&bar, recorder.center);
    QStringList posted;
    for (QAction* top : bar.actions())
        for (QAction* a : top->menu()->actions()) {
            if (top->menu() == menu(&bar, "Help"))
                continue; // About opens a dialog; it is no command to the window
            if (a->isSeparator())
                continue;
            if (a->menu()) { // View > Colours: each scheme posts its name
                QStringList schemes;
                for (QAction* scheme : a->menu()->actions()) {
                    recorder.posts.clear();
                    scheme->trigger();
                    ASSERT_EQ(recorder.posts.size(), 1) << scheme->text().toStdString();
                    EXPECT_EQ(recorder.posts[0].first, Notifications::setReadingColours);
                    schemes << recorder.posts[0].second.toString();
                }
                EXPECT_EQ(schemes, (QStringList{"normal", "night", "sepia", "highContrast"}));
                continue;
            }
            EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
            recorder.posts.clear();
            a->trigger();
            ASSERT_EQ(recorder.posts.size(), 1) << a->text().toStdString();
            posted << recorder.posts[0].first;
            if (a->text() == "Two Pages Continuous") {
                const QVariant v = recorder.posts[0].second;
                ASSERT_EQ(v.metaType(), QMetaType::fromType<PDFDisplayModeValue>());
                EXPECT_EQ(v.value<PDFDisplayModeValue>(), PDFDisplayModeValue::twoUpContinuous);
            } else if (recorder.posts[0].first != Notifications::setDisplayMode) {
                EXPECT_FALSE(recorder.posts[0].second.isValid()) << a->text().toStdString();
            }
        }
    // Every name is reachable from the menus; setDisplayMode from four items.
    EXPECT_EQ(posted.size(), 36);
    EXPECT_EQ(QSet<QString>(posted.begin(), posted.end()).size(), 33);
    EXPECT_TRUE(posted.contains(Notifications::startPresentation));
    EXPECT_EQ(posted.count(Notifications::setDisplayMode), 4);
}

TEST(AppCommands, ExistingMenusAreExtendedNotDuplicated) {
    QMenuBar bar;
    QMenu* file = bar.addMenu("File");
    QAction* quit = file->addAction("Quit");
    QMenu* edit = bar.addMenu("Edit");
    edit->addAction("Copy");
    NotificationCenter center;
    AppCommands::install(&bar, center);
    EXPECT_EQ(bar.actions().size(), 6);
    EXPECT_EQ(file->actions().first()->text(), "New Document...");
    EXPECT_EQ(file->actions().last(), quit);
    EXPECT_EQ(describe(edit), (QStringList{"Undo|Ctrl+Z", "Redo|Ctrl+Shift+Z", "-", "Copy|", "-",
                                           "Find...|Ctrl+F"}));
}

TEST(AppCommands, KeyboardShortcutsReachTheirNotifications) {
    QMainWindow window;
    Recorder recorder;
    AppCommands::install(window.menuBar(), recorder.center);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier); // not bound
    QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_0, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QStringList names;
    for (const auto& p : recorder.posts)
        names << p.first;
    EXPECT_EQ(names, (QStringList{"showExport", "toggleBookmark", "nextPage", "zoomToFit", "undo",
                                  "redo"}));
}
