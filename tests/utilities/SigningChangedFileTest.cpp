// A signature is appended to exactly the bytes that were opened: a file another program
// wrote to after it was opened is refused with the reason, never signed into a corrupt file;
// one replaced under its name is signed from the bytes that were opened.
#include "utilities/DigitalSignatureService.h"

#include "pdf/document/Document.h"
#include "pdf/document/DocumentSource.h"
#include "support/SignatureFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SigningChangedFile, AFileWrittenToSinceItWasOpenedIsRefusedAndAReplacedOneSignsAsOpened) {
    QTemporaryDir dir;
    KeyStore keys{dir.path() + "/keys"};
    const QString path = dir.filePath("contract.pdf");
    const QByteArray bytes = sigfix::letterPdf({"Contract"});
    const auto write = [](const QString& name, const QByteArray& data, QIODevice::OpenMode mode) {
        QFile file(name);
        ASSERT_TRUE(file.open(mode));
        file.write(data);
    };
    write(path, bytes, QIODevice::WriteOnly);

    // Appended to by another program after opening.
    auto appended = pdf::Document::open(path);
    ASSERT_TRUE(appended);
    write(path, "\n% another program's update\n", QIODevice::Append);
    try {
        DigitalSignatureService::signDocument(*appended, "Ada", keys);
        ADD_FAILURE() << "signed a file that changed on disk";
    } catch (const DigitalSignatureService::SignatureError& e) {
        EXPECT_TRUE(e.description().contains("“contract.pdf” was changed on disk"))
            << e.description().toStdString();
    }

    // Replaced under its name: signed from what was opened, not from the new file.
    write(path, bytes, QIODevice::WriteOnly | QIODevice::Truncate);
    auto replaced = pdf::Document::open(path);
    ASSERT_TRUE(replaced);
    const QString other = dir.filePath("other.pdf");
    write(other, sigfix::letterPdf({"Something else"}), QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::remove(path) && QFile::rename(other, path));
    EXPECT_EQ(pdf::sourceState(*replaced), pdf::SourceState::Replaced);
    EXPECT_EQ(pdf::sourceBytes(*replaced), bytes);
    const auto signedBytes = DigitalSignatureService::signDocument(*replaced, "Ada", keys);
    auto reread = pdf::Document::fromData(signedBytes.signedData);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->pageCount(), 1);
}

} // namespace
