#include "pdf/engine/Error.h"
#include "pdf/signatures/SignatureFields.h"

#include "support/HostileFixtures.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ref(int n) {
    return QByteArray::number(n) + " 0 R";
}

// One page whose form sits where `where` says: a form of its own object with a field list
// of its own object, a form inside the catalogue, or no form at all. The page's annotation
// list is an object shared with nothing else but still indirect.
QByteArray formShapedPdf(const QByteArray& where) {
    fixtures::MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int page = pdf.reserve();
    const int annots = pdf.add("[]");
    pdf.set(page, "<< /Type /Page /Parent " + ref(pages) + " /MediaBox [0 0 200 200] /Annots " +
                      ref(annots) + " >>");
    pdf.set(pages, "<< /Type /Pages /Kids [" + ref(page) + "] /Count 1 >>");
    QByteArray form;
    if (where == "indirect") {
        const int fields = pdf.add("[]");
        form = " /AcroForm " + ref(pdf.add("<< /Fields " + ref(fields) + " >>"));
    } else if (where == "inline") {
        form = " /AcroForm << /Fields [] /DA (/Helv 0 Tf 0 g) >>";
    }
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pages) + form + " >>");
    return pdf.build(catalog, "/Info " + ref(pdf.add("<< /Title (Shapes) >>")));
}

pdf::SignatureFieldRequest request() {
    pdf::SignatureFieldRequest r;
    r.signerName = QStringLiteral("Ada Lovelace");
    r.application = QStringLiteral("Test");
    r.signingTime = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    r.info = {{"Subject", QStringLiteral("Digitally Signed")}};
    return r;
}

// Every shape of form gets the field appended after the bytes it had, which stay as they
// were; the result is a sound file whose one signature covers all but its own hole.
TEST(SignatureAppend, EveryFormShapeIsAppendedToAndTheEarlierBytesStay) {
    QTemporaryDir dir;
    for (const QByteArray where : {"indirect", "inline", "none"}) {
        SCOPED_TRACE(where.constData());
        const QByteArray original = formShapedPdf(where);
        const pdf::PreparedSignature prepared = pdf::prepareSignatureField(original, request());
        ASSERT_TRUE(prepared.data.startsWith(original));
        ASSERT_GT(prepared.holeStart, original.size());

        const auto fields = pdf::readSignatureFields(prepared.data);
        ASSERT_EQ(fields.size(), 1u);
        EXPECT_EQ(fields[0].fieldName, QStringLiteral("Signature1"));
        EXPECT_EQ(fields[0].signerName, QStringLiteral("Ada Lovelace"));
        EXPECT_TRUE(fields[0].byteRangeSound);
        EXPECT_EQ(fields[0].changes, 0u);
        EXPECT_EQ(prepared.signedBytes().size(),
                  prepared.data.size() - (prepared.holeEnd - prepared.holeStart));

        if (fixtures::toolAvailable("qpdf")) {
            const QString path = fixtures::writeTemp(dir.path(), "signed.pdf", prepared.data);
            int code = -1;
            const QByteArray out = fixtures::runTool("qpdf", {"--check", path}, &code);
            EXPECT_EQ(code, 0) << out.constData();
            EXPECT_EQ(fixtures::runTool("qpdf", {"--show-npages", path}, &code).trimmed(), "1");
        }
    }
}

// Files the engine cannot update faithfully, or cannot read at all, are refused with an
// error; none crashes or leaks what it had made before failing (the sanitizer run checks).
TEST(SignatureAppend, HostileAndUnreadableFilesAreRefusedOrAppendedToWhole) {
    const QByteArray inputs[] = {fixtures::lyingCountPdf(1'000'000'000),
                                 fixtures::loopingPageTreePdf(),
                                 fixtures::selfListingFieldPdf(),
                                 fixtures::loopingNamesPdf(),
                                 fixtures::brokenXrefPdf(),
                                 fixtures::truncatedPdf(),
                                 fixtures::garbageBytes(),
                                 QByteArray()};
    int index = 0;
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(index++);
        try {
            const pdf::PreparedSignature prepared = pdf::prepareSignatureField(input, request());
            EXPECT_TRUE(prepared.data.startsWith(input));
            EXPECT_EQ(pdf::readSignatureFields(prepared.data).size(), 1u);
        } catch (const pdf::Error& error) {
            EXPECT_FALSE(QString::fromUtf8(error.what()).isEmpty());
        }
    }
    EXPECT_THROW(pdf::prepareSignatureField(fixtures::brokenXrefPdf(), request()), pdf::Error);
    EXPECT_THROW(pdf::prepareSignatureField(fixtures::garbageBytes(), request()), pdf::Error);
}

} // namespace
