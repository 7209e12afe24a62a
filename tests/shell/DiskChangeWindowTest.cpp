// A file changed on disk by another program while it is open in the window: the window says
// so and reads it again on request, and nothing is ever read from the new bytes as if they
// were the open document's.
#include "app/VellumarkApp.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "shell/ContentView.h"
#include "shell/DiskChangeBarView.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/WindowTestSupport.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

QString pageText(const pdf::DocumentPtr& document, int index) {
    auto page = document ? document->page(index) : nullptr;
    auto text = page ? page->textPage() : nullptr;
    return text ? text->text().simplified() : QString();
}

TEST(DiskChangeWindow, AFileChangedByAnotherProgramIsOfferedForReload) {
    auto alerts = std::make_shared<ScriptedAlerts>();
    Alerts::install(alerts);
    std::unique_ptr<ContentView> window(VellumarkApp::makeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(640, 700);
    window->show();
    const QString path =
        fixtures::writeTemp(windowtest::folder(), "changing.pdf", fixtures::numberedPdf(3, "Old"));
    windowtest::open(*window, path);
    DocumentViewModel& vm = *window->documentVM();
    auto* bar = window->findChild<DiskChangeBarView*>();
    ASSERT_TRUE(bar);
    EXPECT_FALSE(bar->isVisible());

    // Saved over the safe way (a new file renamed over the name): the window still shows
    // what it opened, page for page, and offers the new version.
    const QString next = fixtures::writeTemp(windowtest::folder(), "changing-next.pdf",
                                             fixtures::numberedPdf(5, "New"));
    ASSERT_TRUE(QFile::remove(path) && QFile::rename(next, path));
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 5000);
    EXPECT_TRUE(bar->text().contains("“changing.pdf” was changed by another program"));
    EXPECT_EQ(vm.pdfDocument()->pageCount(), 3);
    EXPECT_TRUE(pageText(vm.pdfDocument(), 2).contains("Old"));

    vm.goToPage(2);
    QTest::mouseClick(bar->reloadButton(), Qt::LeftButton);
    ASSERT_EQ(vm.pdfDocument()->pageCount(), 5);
    EXPECT_TRUE(pageText(vm.pdfDocument(), 4).contains("New"));
    EXPECT_EQ(vm.currentPageIndex(), 2); // where the reader was
    EXPECT_FALSE(bar->isVisible());

    // Written over in place: offered again. Hidden by the reader, the bar stays hidden
    // until the file changes once more.
    const auto append = [&](const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(bytes);
    };
    append("\n% appended by another program\n");
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 5000);
    bar->findChild<QToolButton*>()->click();
    EXPECT_FALSE(bar->isVisible());
    QTest::qWait(400);
    EXPECT_FALSE(bar->isVisible());
    append("% and once more\n");
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 5000);
    QTest::mouseClick(bar->reloadButton(), Qt::LeftButton);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(vm.pdfDocument()->pageCount(), 5);

    // The window's own Save writes a new file under the name: no news to the reader.
    const QDateTime before = QFileInfo(path).lastModified();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::qWait(20);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).lastModified() != before, 5000);
    QTest::qWait(600);
    EXPECT_FALSE(bar->isVisible());

    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::discard);
    window->close();
    Alerts::install(nullptr);
}

} // namespace
