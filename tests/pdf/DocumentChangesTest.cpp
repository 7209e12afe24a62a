#include "pdf/document/DocumentChanges.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using Kind = pdf::Change::Kind;

namespace {

class DocumentChangesTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = pdf::Document::fromData(fixtures::numberedPdf(4));
        ASSERT_NE(doc, nullptr);
        spy = std::make_unique<QSignalSpy>(doc->changes(), &pdf::DocumentChanges::changed);
    }
    // The notices since the last call.
    std::vector<pdf::Change> taken() {
        std::vector<pdf::Change> out;
        for (const auto& args : *spy)
            out.push_back(args[0].value<pdf::Change>());
        spy->clear();
        return out;
    }
    static pdf::Change change(Kind kind, std::vector<int> pages) {
        return {kind, std::move(pages)};
    }

    pdf::DocumentPtr doc;
    std::unique_ptr<QSignalSpy> spy;
};

} // namespace

TEST_F(DocumentChangesTest, PageEditsSayWhatHappenedAndWhere) {
    ASSERT_TRUE(doc->insertBlankPage(1, 300, 300));
    EXPECT_EQ(taken(), std::vector{change(Kind::PagesInserted, {1})});

    auto other = pdf::Document::fromData(fixtures::numberedPdf(3));
    ASSERT_EQ(doc->insertPages(*other, {0, 2}, 5), 2);
    EXPECT_EQ(taken(), std::vector{change(Kind::PagesInserted, {5, 6})});

    // Copies within the document: one notice per page, in the order they landed.
    ASSERT_EQ(doc->insertPages(*doc, {0, 1}, 0), 2);
    EXPECT_EQ(taken(),
              (std::vector{change(Kind::PagesInserted, {0}), change(Kind::PagesInserted, {1})}));

    ASSERT_TRUE(doc->removePage(3));
    EXPECT_EQ(taken(), std::vector{change(Kind::PagesRemoved, {3})});

    doc->page(2)->setRotation(90);
    EXPECT_EQ(taken(), std::vector{change(Kind::PagesRotated, {2})});

    // A failed edit says nothing.
    EXPECT_FALSE(doc->removePage(99));
    EXPECT_FALSE(doc->insertBlankPage(-1, 300, 300));
    EXPECT_TRUE(taken().empty());
}

TEST_F(DocumentChangesTest, AnnotationAndInformationEditsNameTheirPage) {
    auto page = doc->page(2);
    auto highlight = page->addHighlight(QRectF(72, 700, 100, 20), Qt::yellow);
    ASSERT_TRUE(highlight);
    EXPECT_EQ(taken(), std::vector{change(Kind::AnnotationsAdded, {2})});
    highlight->setColor(Qt::green);
    EXPECT_EQ(taken(), std::vector{change(Kind::AnnotationsChanged, {2})});
    ASSERT_TRUE(page->removeAnnotation(highlight));
    EXPECT_EQ(taken(), std::vector{change(Kind::AnnotationsRemoved, {2})});

    doc->setInfo(pdf::InfoKey::Title, "Minutes");
    EXPECT_EQ(taken(), std::vector{change(Kind::InfoChanged, {})});

    auto form = pdf::Document::fromData(fixtures::formPdf());
    QSignalSpy formSpy(form->changes(), &pdf::DocumentChanges::changed);
    for (const auto& widget : form->page(1)->annotations()) {
        if (widget->fieldName() == "city") {
            ASSERT_TRUE(widget->setWidgetStringValue("Lyon"));
        }
    }
    ASSERT_EQ(formSpy.count(), 1);
    EXPECT_EQ(formSpy[0][0].value<pdf::Change>(), change(Kind::FormValuesChanged, {1}));
}

TEST_F(DocumentChangesTest, ObserversMayReadTheDocumentFromAnyThread) {
    // The notice comes after the edit let go of the document's lock: an observer that
    // waits for another thread to read the document is not left waiting.
    bool answered = false;
    QObject observer;
    QObject::connect(doc->changes(), &pdf::DocumentChanges::changed, &observer, [&] {
        // Detached, so a reader stuck on the lock fails the test instead of hanging it.
        auto reply = std::make_shared<std::promise<int>>();
        auto count = reply->get_future();
        std::thread([d = doc, reply] { reply->set_value(d->pageCount()); }).detach();
        answered = count.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    });
    ASSERT_TRUE(doc->page(1)->addHighlight(QRectF(72, 700, 100, 20), Qt::yellow));
    EXPECT_TRUE(answered);
    answered = false;
    // Also when the edit is made of smaller ones (copies within the document).
    ASSERT_EQ(doc->insertPages(*doc, {0}, 0), 1);
    EXPECT_TRUE(answered);
}

TEST_F(DocumentChangesTest, AnEditOnAWorkerReachesMainThreadObserversThroughTheirLoop) {
    QThread* seenOn = nullptr;
    pdf::Change seen;
    QObject observer;
    QObject::connect(doc->changes(), &pdf::DocumentChanges::changed, &observer,
                     [&](const pdf::Change& c) {
                         seenOn = QThread::currentThread();
                         seen = c;
                     });
    std::thread([d = doc] { d->removePage(0); }).join();
    EXPECT_EQ(seenOn, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(seenOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(seen, change(Kind::PagesRemoved, {0}));
}
