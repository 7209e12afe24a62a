#include "shell/SignatureBarView.h"

#include "pdf/document/Document.h"
#include "support/SignatureFixtures.h"
#include "utilities/DigitalSignatureService.h"
#include "viewmodels/DocumentViewModel.h"

#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SignatureBarTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    KeyStore keys{dir.path() + "/keys"};
    DocumentViewModel documentVM;
    SignatureBarView bar{&documentVM};

    QByteArray signedBytes(const QString& name) {
        auto doc = pdf::Document::fromData(sigfix::letterPdf({"Deed"}));
        return DigitalSignatureService::signDocument(*doc, name, keys).signedData;
    }
    void show(const QByteArray& bytes) {
        documentVM.closeDocument(); // the one before goes without asking
        documentVM.loadCreatedDocument(pdf::Document::fromData(bytes), "deed");
    }
};

} // namespace

TEST_F(SignatureBarTest, SaysWhoSignedAndWhetherItStillHolds) {
    bar.show();
    show(sigfix::letterPdf({"Plain"}));
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(bar.text(), QString());

    const QByteArray good = signedBytes("Ada Lovelace");
    show(good);
    EXPECT_FALSE(bar.isHidden());
    EXPECT_EQ(bar.text(), "Signed by Ada Lovelace: valid, not changed since");

    QByteArray broken = good;
    broken[broken.indexOf("/MediaBox") + 1] = 'm';
    show(broken);
    EXPECT_EQ(bar.text(), "Signed by Ada Lovelace: signature broken");

    show(good + "\n1 0 obj\n<<>>\nendobj\n");
    EXPECT_TRUE(bar.text().contains("changed after signing")) << bar.text().toStdString();

    // Closed by the person, shown again for the next signed document.
    bar.hide();
    show(good);
    EXPECT_FALSE(bar.isHidden());
}
