#include "support/ReaderFixtures.h"

namespace fixtures {

QByteArray objectRef(int object) {
    return QByteArray::number(object) + " 0 R ";
}

ReaderPdf::ReaderPdf(int pages)
    : catalog_(pdf_.reserve()), pagesObj_(pdf_.reserve()),
      font_(pdf_.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")) {
    for (int i = 0; i < pages; ++i) {
        pages_.push_back(pdf_.reserve());
        annots_.emplace_back();
    }
}

int ReaderPdf::annotate(int page, const QByteArray& body) {
    QByteArray dict = body.trimmed();
    dict.chop(2); // the closing ">>"
    const int object = pdf_.add(dict + " /P " + objectRef(pages_[size_t(page)]) + ">>");
    annots_[size_t(page)] += objectRef(object);
    return object;
}

QByteArray ReaderPdf::build(const QByteArray& catalog) {
    QByteArray kids;
    for (size_t i = 0; i < pages_.size(); ++i) {
        const int contents =
            pdf_.addStream("<< >>", "BT /F1 12 Tf 72 720 Td (Page " +
                                        QByteArray::number(qulonglong(i + 1)) + ") Tj ET");
        pdf_.set(pages_[i], "<< /Type /Page /Parent " + objectRef(pagesObj_) +
                                "/MediaBox [0 0 612 792] /Resources << /Font << /F1 " +
                                objectRef(font_) + ">> >> /Contents " + objectRef(contents) +
                                (annots_[i].isEmpty() ? "" : "/Annots [" + annots_[i] + "]") +
                                " >>");
        kids += objectRef(pages_[i]);
    }
    pdf_.set(pagesObj_, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                            QByteArray::number(qulonglong(pages_.size())) + " >>");
    pdf_.set(catalog_, "<< /Type /Catalog /Pages " + objectRef(pagesObj_) + catalog + " >>");
    return pdf_.build(catalog_);
}

} // namespace fixtures
