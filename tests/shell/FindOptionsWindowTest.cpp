// The search bar's options, used with the keyboard and the options menu.
#include "support/PdfFixtures.h"
#include "support/WindowTestSupport.h"

#include "app/VellumarkApp.h"
#include "shell/ContentView.h"
#include "shell/SearchBarView.h"
#include "viewmodels/DocumentViewModel.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

TEST(FindOptionsWindow, MatchCaseWholeWordsAndDiacriticsSearchAgain) {
    std::unique_ptr<ContentView> made(VellumarkApp::makeWindow());
    ContentView& window = *made;
    window.resize(640, 500);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    open(window, fixtures::writeTemp(folder(), "zurich.pdf",
                                     fixtures::textPdf({{"Zurich and Z\u00fcrich", "zurichsee"}})));
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    SearchBarView* bar = window.searchBar();
    ASSERT_TRUE(bar->isVisible());
    // The options fit a narrow window beside the field.
    EXPECT_LE(bar->optionsButton()->geometry().right(), bar->width());
    QTest::keyClicks(bar->field(), "zurich");
    QTest::keyClick(bar->field(), Qt::Key_Return);
    const auto counted = [&] {
        window.documentVM()->waitForSearch();
        QCoreApplication::processEvents();
        return bar->counter()->isVisible() ? bar->counter()->text() : QString();
    };
    EXPECT_EQ(counted(), "1 of 3"); // Zurich, Zürich, zurichsee

    bar->matchDiacriticsAction()->trigger();
    EXPECT_EQ(counted(), "1 of 2");
    bar->wholeWordsAction()->trigger();
    EXPECT_EQ(counted(), "1 of 1");
    bar->matchCaseAction()->trigger();
    EXPECT_EQ(counted(), ""); // no lower-case "zurich" stands alone
    EXPECT_TRUE(window.documentVM()->searchOptions().matchCase);

    // The options stay for the next query.
    bar->field()->selectAll();
    QTest::keyClicks(bar->field(), "Z");
    QTest::sendKeyEvent(QTest::Click, bar->field(), Qt::Key_Udiaeresis, QStringLiteral("\u00fc"),
                        Qt::NoModifier);
    QTest::keyClicks(bar->field(), "rich");
    EXPECT_EQ(bar->field()->text(), "Z\u00fcrich");
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(counted(), "1 of 1");
}

} // namespace
