// A file whose page tree holds no page is not opened in the window, and the window says why.
#include "viewmodels/DocumentViewModel.h"

#include "support/FidelityFixtures.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(EmptyDocumentTest, OpeningAFileWithoutPagesIsRefusedWithTheReason) {
    QTemporaryDir dir;
    ScopedAlerts alerts;
    DocumentViewModel vm;
    const QString good = fixtures::writeTemp(dir.path(), "good.pdf", fixtures::numberedPdf(2));
    const QString empty = fixtures::writeTemp(dir.path(), "empty.pdf", fixtures::zeroPagePdf());
    ASSERT_TRUE(vm.loadDocument(QUrl::fromLocalFile(good)));
    const auto before = vm.pdfDocument();

    EXPECT_FALSE(vm.loadDocument(QUrl::fromLocalFile(empty)));
    EXPECT_EQ(vm.pdfDocument(), before); // the document that was open stays
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_TRUE(alerts->notices[0].contains("empty.pdf has no page that can be read"))
        << alerts->notices[0].toStdString();
}
