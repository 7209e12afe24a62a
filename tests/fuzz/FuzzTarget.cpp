#include "fuzz/FuzzTarget.h"

#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Error.h"
#include "pdf/signatures/SignatureFields.h"

#include <QByteArray>

#include <algorithm>
#include <numeric>
#include <vector>

void fuzzOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Reading signatures and appending a field work on the bytes, not on the document.
    (void)pdf::readSignatureFields(bytes);
    try {
        pdf::SignatureFieldRequest request;
        request.contentsCapacity = 64;
        (void)pdf::prepareSignatureField(bytes, request);
    } catch (const pdf::Error&) {
    }
    const auto doc = pdf::Document::fromData(bytes);
    if (!doc || doc->isLocked())
        return;
    const int pages = doc->pageCount();
    (void)doc->pageSizes();
    (void)doc->info(pdf::InfoKey::Title);
    if (pages == 0)
        return;
    if (auto page = doc->page(0)) {
        (void)page->text();
        // Small: the fuzzer is after crashes and runaway work, not pixels.
        (void)page->render(0.25);
        for (const auto& annotation : page->annotations())
            if (annotation->isWidget()) {
                (void)annotation->fieldName();
                (void)annotation->widgetStringValue();
            }
    }
    (void)doc->formFieldCount();
    auto copy = pdf::Document::create();
    std::vector<int> indices(size_t(std::min(pages, 8)));
    std::iota(indices.begin(), indices.end(), 0);
    if (copy && copy->insertPages(*doc, indices, 0) > 0)
        (void)copy->dataRepresentation();
}
