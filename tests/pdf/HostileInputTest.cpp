// Files that lie about their structure: they open in bounded time and memory with what they
// really hold, and the fuzzer's target runs over them and over everything it found.
#include "fuzz/FuzzTarget.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/document/PixelBudget.h"
#include "support/HostileFixtures.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace fixtures;

TEST(HostileInput, LyingPageCountOpensAtOnceWithTheTrueCount) {
    for (const qint64 claimed : {qint64(5), qint64(100000000), qint64(2147483647)}) {
        QElapsedTimer timer;
        timer.start();
        auto doc = pdf::Document::fromData(lyingCountPdf(claimed));
        ASSERT_TRUE(doc) << claimed;
        EXPECT_EQ(doc->pageCount(), 1) << claimed;
        EXPECT_EQ(doc->pageSizes().size(), 1u);
        EXPECT_TRUE(doc->page(0));
        EXPECT_FALSE(doc->page(1));
        EXPECT_LT(timer.elapsed(), 1000) << claimed;
        // The repaired tree is what gets written: another reader agrees on one page.
        const QByteArray written = doc->dataRepresentation();
        auto again = pdf::Document::fromData(written);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->pageCount(), 1);
        if (toolAvailable("qpdf")) {
            QTemporaryDir dir;
            int code = -1;
            const QString out = QString::fromUtf8(
                runTool("qpdf", {"--show-npages", writeTemp(dir.path(), "r.pdf", written)}, &code));
            EXPECT_EQ(out.trimmed(), "1");
        }
    }
}

TEST(HostileInput, LoopingAndRepeatingPageTreeYieldsEachListedPageAndCutsTheLoop) {
    QElapsedTimer timer;
    timer.start();
    auto doc = pdf::Document::fromData(loopingPageTreePdf());
    ASSERT_TRUE(doc);
    // The root, then the inner node twice (each time the second page and the first again);
    // the inner node's way back to the root is cut.
    const QSizeF letter(612, 792), second(300, 400);
    EXPECT_EQ(doc->pageSizes(), (std::vector<QSizeF>{letter, second, letter, second, letter}));
    ASSERT_TRUE(doc->page(1));
    EXPECT_EQ(doc->page(1)->displaySize(), QSizeF(300, 400));
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST(HostileInput, SelfListingFieldTreeCopiesInUnderASecond) {
    auto source = pdf::Document::fromData(selfListingFieldPdf());
    ASSERT_TRUE(source);
    ASSERT_EQ(source->pageCount(), 1);
    auto target = pdf::Document::create();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(target->insertPages(*source, {0}, 0), 1);
    EXPECT_EQ(target->formFieldCount(), 1);
    // Within one document too (the page is copied with its field).
    EXPECT_TRUE(source->insertPage(source->page(0), 1));
    EXPECT_LT(timer.elapsed(), 1000);
    auto reread = pdf::Document::fromData(target->dataRepresentation());
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->pageCount(), 1);
}

TEST(HostileInput, LoopingNameOutlineAndStructureTreesCopyAndWriteAtOnce) {
    auto source = pdf::Document::fromData(loopingNamesPdf());
    ASSERT_TRUE(source);
    QElapsedTimer timer;
    timer.start();
    auto target = pdf::Document::create();
    EXPECT_EQ(target->insertPages(*source, {0}, 0), 1); // looks the link's name up
    EXPECT_FALSE(source->dataRepresentation().isEmpty());
    EXPECT_FALSE(target->dataRepresentation().isEmpty());
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST(HostileInput, RenderingStaysWithinThePixelBudget) {
    auto doc = pdf::Document::fromData(blankPagesPdf(1, 8000, 8000));
    ASSERT_TRUE(doc);
    const QImage image = doc->page(0)->render(2.0); // 16000 × 16000 asked for
    ASSERT_FALSE(image.isNull());
    EXPECT_LE(qint64(image.width()) * image.height(), pdf::kPixelBudget);
    EXPECT_GT(qint64(image.width()) * image.height(),
              pdf::kPixelBudget / 2); // scaled, not shrunk to nothing
    EXPECT_EQ(image.width(), image.height());
    // Small pages are left at the scale asked for.
    EXPECT_DOUBLE_EQ(pdf::scaleWithinBudget(QSizeF(612, 792), 2.0), 2.0);
}

TEST(HostileInput, ImagesPastThePixelBudgetAreRefusedBeforeDecoding) {
    auto doc = pdf::Document::create();
    const QByteArray huge = pngHeaderOnly(20000, 20000);
    ASSERT_EQ(pdf::probeImage(huge).width, 20000);
    EXPECT_FALSE(doc->insertImagePage(0, huge, 612, 792));
    EXPECT_EQ(doc->pageCount(), 0);
}

TEST(HostileInput, OnlyRegularFilesAreRead) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(pdf::Document::open(fifo));        // would block for ever on a read
    EXPECT_FALSE(pdf::Document::open("/dev/zero")); // would never end
    EXPECT_FALSE(pdf::Document::open(dir.path()));
    EXPECT_LT(timer.elapsed(), 1000);
}

// The seed corpus of the fuzzer: ordinary files and every hostile kind above. With
// VELLUMARK_FUZZ_SEEDS set, they are written into that folder (scripts/fuzz.sh does this).
TEST(FuzzSeeds, EverySeedRunsThroughTheFuzzTarget) {
    std::vector<std::pair<QString, QByteArray>> seeds = {
        {"text", textPdf({{"Hello", "world"}, {"Second page"}})},
        {"numbered", numberedPdf(3)},
        {"form", formPdf()},
        {"truncated", truncatedPdf()},
        {"broken-xref", brokenXrefPdf()},
        {"lying-count", lyingCountPdf(2147483647)},
        {"looping-tree", loopingPageTreePdf()},
        {"self-listing-field", selfListingFieldPdf()},
        {"looping-names", loopingNamesPdf()},
        {"html-field",
         namedFieldPdf("<h1 style='color:red'>Headline</h1><img src='/etc/hostname'>")},
        {"terminal-title", titledPdf("\x1b]0;owned\x07\x1b[2J")},
        {"big-page", blankPagesPdf(1, 8000, 8000)},
    };
    // Encrypted files (opening without a password, so the writers reach them) with a
    // classic cross-reference table and with cross-reference and object streams.
    QTemporaryDir made;
    const QString plain = writeTemp(made.path(), "plain.pdf", formPdf());
    for (const auto& [method, how] : std::vector<std::pair<QString, QStringList>>{
             {"aes256", {"256"}}, {"aes128", {"128", "--use-aes=y"}}, {"rc4", {"128"}}}) {
        for (const bool streams : {false, true}) {
            if (!toolAvailable("qpdf"))
                break;
            const QString name = "encrypted-" + method + (streams ? "-streams" : "-table");
            const QString path = made.filePath(name + ".pdf");
            QStringList args{"--allow-weak-crypto", "--encrypt", "", "owner"};
            args << how << "--";
            if (streams)
                args << "--object-streams=generate";
            int code = -1;
            runTool("qpdf", args + QStringList{plain, path}, &code);
            QFile file(path);
            ASSERT_TRUE(code == 0 && file.open(QIODevice::ReadOnly)) << name.toStdString();
            seeds.emplace_back(name, file.readAll());
        }
    }
    const QString out = qEnvironmentVariable("VELLUMARK_FUZZ_SEEDS");
    for (const auto& [name, bytes] : seeds) {
        QElapsedTimer timer;
        timer.start();
        fuzzOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     size_t(bytes.size()));
        EXPECT_LT(timer.elapsed(), 10000) << name.toStdString();
        if (!out.isEmpty()) {
            QDir().mkpath(out);
            writeTemp(out, "seed-" + name + ".pdf", bytes);
        }
    }
}

// Every input the fuzzer ever found a fault with stays fixed.
TEST(FuzzRegressions, EveryFoundInputRunsCleanly) {
    const QDir dir(VELLUMARK_SOURCE_DIR "/tests/fuzz/regressions");
    for (const QString& name : dir.entryList(QDir::Files)) {
        if (name.startsWith('.'))
            continue;
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QElapsedTimer timer;
        timer.start();
        fuzzOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     size_t(bytes.size()));
        EXPECT_LT(timer.elapsed(), 10000) << name.toStdString();
    }
}
