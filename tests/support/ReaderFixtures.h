#pragma once
// Numbered text pages ("Page N", 612 × 792) built by hand, with whatever a test puts in
// the catalog and on the pages: page labels, annotations, embedded files.
#include "support/PdfFixtures.h"

#include <QByteArray>

#include <vector>

namespace fixtures {

class ReaderPdf {
public:
    explicit ReaderPdf(int pages);
    int add(const QByteArray& body) { return pdf_.add(body); }
    int addStream(const QByteArray& dict, const QByteArray& data) {
        return pdf_.addStream(dict, data);
    }
    int reserve() { return pdf_.reserve(); }
    void set(int number, const QByteArray& body) { pdf_.set(number, body); }
    // The page object's number, for /P and destinations.
    int pageObject(int index) const { return pages_[size_t(index)]; }
    // Puts an annotation (its dictionary, without /P) on a page; returns its object number.
    int annotate(int page, const QByteArray& body);
    // `catalog` is added to the catalog dictionary ("/PageLabels << ... >>").
    QByteArray build(const QByteArray& catalog = {});

private:
    MiniPdf pdf_;
    int catalog_, pagesObj_, font_;
    std::vector<int> pages_;
    std::vector<QByteArray> annots_;
};

QByteArray objectRef(int object); // "12 0 R "

} // namespace fixtures
