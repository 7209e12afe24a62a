// The document information entries (title, author, dates), read and written.
#include "pdf/document/Document.h"
#include "pdf/document/PdfDate.h"

#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"

#include <QDateTime>

namespace pdf {

using engine::ctx;

namespace {

pdf_obj* infoDict(fz_context* c, pdf_document* doc, bool create) {
    pdf_obj* info = pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Info));
    if (!info && create) {
        // Adding an object may start a new xref section with a new trailer: ask for the
        // trailer only afterwards.
        info = pdf_add_new_dict(c, doc, 8);
        pdf_dict_put_drop(c, pdf_trailer(c, doc), PDF_NAME(Info), info);
    }
    return info;
}

pdf_obj* infoName(InfoKey key) {
    switch (key) {
    case InfoKey::Title:
        return PDF_NAME(Title);
    case InfoKey::Author:
        return PDF_NAME(Author);
    case InfoKey::Subject:
        return PDF_NAME(Subject);
    case InfoKey::Keywords:
        return PDF_NAME(Keywords);
    case InfoKey::Creator:
        return PDF_NAME(Creator);
    case InfoKey::Producer:
        return PDF_NAME(Producer);
    case InfoKey::CreationDate:
        return PDF_NAME(CreationDate);
    case InfoKey::ModDate:
        return PDF_NAME(ModDate);
    }
    return PDF_NAME(Title);
}

} // namespace

QString Document::info(InfoKey key) const {
    auto lock = d_->lock();
    // Before the password the strings are still ciphertext, and reading them now would
    // also leave the undecrypted objects cached for after the unlock.
    if (d_->locked)
        return {};
    fz_context* c = ctx();
    QString value;
    char* text = nullptr;
    fz_var(text);
    fz_try(c) {
        pdf_obj* info = infoDict(c, d_->pdf, false);
        pdf_obj* obj = info ? pdf_dict_get(c, info, infoName(key)) : nullptr;
        if (obj && pdf_is_string(c, obj))
            text = pdf_new_utf8_from_pdf_string_obj(c, obj);
    }
    fz_catch(c) {
        text = nullptr;
    }
    if (text) {
        value = QString::fromUtf8(text);
        fz_free(c, text);
    }
    return value;
}

void Document::setInfo(InfoKey key, const QString& value) {
    ChangeScope scope;
    auto lock = d_->lock();
    fz_context* c = ctx();
    // ASCII as it is; anything else as UTF-16BE with its byte order mark.
    QByteArray encoded;
    bool ascii = true;
    for (QChar ch : value)
        ascii = ascii && ch.unicode() < 0x80;
    if (ascii) {
        encoded = value.toLatin1();
    } else {
        encoded = "\xFE\xFF";
        for (QChar ch : value) {
            encoded += char(ch.unicode() >> 8);
            encoded += char(ch.unicode() & 0xFF);
        }
    }
    fz_try(c) {
        pdf_obj* info = infoDict(c, d_->pdf, true);
        pdf_dict_put_drop(c, info, infoName(key),
                          pdf_new_string(c, encoded.constData(), size_t(encoded.size())));
    }
    fz_catch(c) {
        throw Error("The document information could not be changed.");
    }
    announce(*d_, {Change::Kind::InfoChanged, {}});
}

QDateTime Document::infoDate(InfoKey key) const {
    return parsePdfDate(info(key));
}

void Document::setInfoDate(InfoKey key, const QDateTime& value) {
    const QDateTime utc = value.toUTC();
    setInfo(key, "D:" + utc.toString("yyyyMMddHHmmss") + "Z");
}

} // namespace pdf
