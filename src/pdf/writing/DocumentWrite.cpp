// Writing a document out: to bytes in memory, or streamed into a file that replaces the
// target only once it is complete; with or without passwords.
#include "pdf/document/Document.h"

#include "pdf/document/FileStream.h"
#include "pdf/document/PageRotation.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/writing/EmptyStreams.h"
#include "pdf/writing/SignedWrite.h"
#include "pdf/writing/StreamDeflate.h"

#include "base/AtomicFile.h"

#include <cstdio>
#include <cstring>

namespace pdf {

using engine::ctx;

namespace {

constexpr const char* kChangedOnDisk =
    "its file was changed on disk by another program since it was opened; open it again";

// Puts `value` back under `key` in the trailer, or removes the key when it had none.
// Never throws.
void restoreTrailerEntry(fz_context* c, pdf_document* doc, pdf_obj* key, pdf_obj* value) {
    fz_try(c) {
        // The trailer of a cross-reference stream is that stream's dictionary: changing it
        // opens a new section whose trailer is a copy taken before the change, so the entry
        // is set again on whatever trailer is current afterwards.
        for (int pass = 0; pass < 2; ++pass) {
            pdf_obj* trailer = pdf_trailer(c, doc);
            if (trailer && value)
                pdf_dict_put(c, trailer, key, value);
            else if (trailer)
                pdf_dict_del(c, trailer, key);
            if (pdf_trailer(c, doc) == trailer)
                break;
        }
    }
    fz_catch(c) {}
}

// Writes into a file being saved, keeping count of the bytes for the engine's offsets.
struct FileSink {
    base::AtomicFile* file = nullptr;
    int64_t written = 0;
};

void sinkWrite(fz_context* c, void* state, const void* data, size_t n) {
    auto* sink = static_cast<FileSink*>(state);
    bool written = false;
    try {
        written = sink->file->write(static_cast<const char*>(data), qint64(n));
    } catch (...) {
    }
    if (!written) {
        // Nothing with a destructor may be alive when the engine's error unwinds this frame.
        char reason[256] = "out of memory";
        try {
            const QByteArray text = sink->file->reason().toUtf8();
            std::snprintf(reason, sizeof reason, "%s", text.constData());
        } catch (...) {
        }
        fz_throw(c, FZ_ERROR_GENERIC, "%s", reason);
    }
    sink->written += int64_t(n);
}

int64_t sinkTell(fz_context*, void* state) {
    return static_cast<FileSink*>(state)->written;
}

} // namespace

void Document::writeTo(fz_output* out, const WriteOptions& options) const {
    // Callers hold the document lock.
    if (d_->locked)
        throw Error("the document is locked; it needs its password first");
    if (d_->file && !d_->file->unchanged())
        throw Error(kChangedOnDisk);
    // Other readers refuse a file without pages: say so rather than write one.
    if (d_->pages.empty())
        throw Error("the document has no page that can be read");
    if (const QByteArray source = signedSource(*this); !source.isEmpty()) {
        if (writing::canAppend(*this, options))
            return writing::appendChanges(*this, source, out);
        if (!options.breakSignatures)
            throw Error(
                "the document is signed, and writing it whole (with other protection, after "
                "a repair, or with what was taken out collected) would break its signatures");
    }
    // A damaged encrypted file was read through a rebuilt cross-reference: the key found then
    // need not be the one its trailer gives a writer, and a copy "keeping" that protection
    // could open for nobody. Such a copy is refused rather than written locked for good.
    if (options.keepProtection && d_->pdf->crypt && d_->pdf->repair_attempted)
        throw Error("the file is damaged and encrypted: a copy with its protection cannot be "
                    "written safely; save it without protection or with new passwords");
    fz_context* c = ctx();
    pdf_write_options opts = pdf_default_write_options;
    opts.do_compress = 1;
    opts.do_compress_images = 1;
    opts.do_compress_fonts = 1;
    // Objects nothing refers to any more (a deleted annotation, a replaced appearance) are
    // left out: what the person deleted cannot be dug out of the written file. Collecting
    // garbage also renumbers what is left, so not even the numbering tells.
    opts.do_garbage = options.collectGarbage ? 2 : 1;
    const bool encrypt = !options.ownerPassword.isEmpty() || !options.userPassword.isEmpty();
    if (encrypt) {
        const QByteArray owner =
            (options.ownerPassword.isEmpty() ? options.userPassword : options.ownerPassword)
                .toUtf8();
        const QByteArray user = options.userPassword.toUtf8();
        if (owner.size() >= int(sizeof opts.opwd_utf8) || user.size() >= int(sizeof opts.upwd_utf8))
            throw Error("The password is too long.");
        opts.do_encrypt = PDF_ENCRYPT_AES_256;
        std::strncpy(opts.opwd_utf8, owner.constData(), sizeof opts.opwd_utf8 - 1);
        std::strncpy(opts.upwd_utf8, user.constData(), sizeof opts.upwd_utf8 - 1);
        int perms = PDF_PERM_MODIFY | PDF_PERM_ANNOTATE | PDF_PERM_FORM | PDF_PERM_ACCESSIBILITY |
                    PDF_PERM_ASSEMBLE;
        if (options.allowPrinting)
            perms |= PDF_PERM_PRINT | PDF_PERM_PRINT_HQ;
        if (options.allowCopying)
            perms |= PDF_PERM_COPY;
        opts.permissions = perms | int(0xFFFFF000u); // reserved bits are set by convention
    } else if (d_->pdf->crypt) {
        // A document opened with its password is written as the reader sees it, unless
        // the caller keeps its protection.
        opts.do_encrypt = options.keepProtection ? PDF_ENCRYPT_KEEP : PDF_ENCRYPT_NONE;
    }
    // Writing with encryption leaves /Encrypt (with the password verifiers) and a new /ID in
    // the document's own trailer; put the trailer back so later copies are written as before.
    pdf_obj* savedEncrypt = nullptr;
    pdf_obj* savedId = nullptr;
    fz_var(savedEncrypt);
    fz_var(savedId);
    bool ok = true;
    fz_try(c) {
        pdf_obj* trailer = pdf_trailer(c, d_->pdf);
        savedEncrypt = pdf_keep_obj(c, pdf_dict_get(c, trailer, PDF_NAME(Encrypt)));
        savedId = pdf_keep_obj(c, pdf_dict_get(c, trailer, PDF_NAME(ID)));
        normalizeRotations(c, d_->pdf);
        deflateUnfilteredStreams(c, d_->pdf);
        if (encrypt || (d_->pdf->crypt && opts.do_encrypt == PDF_ENCRYPT_KEEP))
            fillEmptyStreams(c, d_->pdf);
        // An /Encrypt the engine could not use (it leads nowhere) was read as no encryption:
        // written along, it would claim one that no reader can open. Put back below.
        if (!d_->pdf->crypt && savedEncrypt)
            pdf_dict_del(c, pdf_trailer(c, d_->pdf), PDF_NAME(Encrypt));
        pdf_write_document(c, d_->pdf, out, &opts);
        fz_close_output(c, out);
    }
    fz_always(c) {
        restoreTrailerEntry(c, d_->pdf, PDF_NAME(Encrypt), savedEncrypt);
        restoreTrailerEntry(c, d_->pdf, PDF_NAME(ID), savedId);
        pdf_drop_obj(c, savedEncrypt);
        pdf_drop_obj(c, savedId);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        throw Error(engine::lastError(c).toStdString()); // the reason alone: callers name the file
    // The engine takes a failed read of the file for its end and writes on: a file written
    // over in place meanwhile would leave objects out of the copy without a word.
    if (d_->file && !d_->file->unchanged())
        throw Error(kChangedOnDisk);
}

QByteArray Document::serialize(const WriteOptions& options) const {
    auto lock = d_->lock();
    fz_context* c = ctx();
    fz_buffer* buffer = nullptr;
    fz_output* out = nullptr;
    fz_var(buffer);
    fz_var(out);
    fz_try(c) {
        buffer = fz_new_buffer(c, 64 * 1024);
        out = fz_new_output_with_buffer(c, buffer);
    }
    fz_catch(c) {
        fz_drop_buffer(c, buffer);
        throw Error("The document could not be written: out of memory.");
    }
    try {
        writeTo(out, options);
    } catch (const Error& e) {
        fz_drop_output(c, out);
        fz_drop_buffer(c, buffer);
        throw Error(std::string("The document could not be written: ") + e.what());
    } catch (...) {
        fz_drop_output(c, out);
        fz_drop_buffer(c, buffer);
        throw;
    }
    fz_drop_output(c, out);
    unsigned char* data = nullptr;
    const size_t len = fz_buffer_storage(c, buffer, &data);
    QByteArray result(reinterpret_cast<const char*>(data), qsizetype(len));
    fz_drop_buffer(c, buffer);
    return result;
}

QByteArray Document::dataRepresentation() const {
    try {
        return serialize({});
    } catch (const Error&) {
        return {};
    }
}

bool Document::write(const QString& path, const WriteOptions& options, QString* error) const {
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    // Streamed into a temporary file beside the target, renamed over it only when complete:
    // a large document is never held twice in memory, and a failed write leaves nothing.
    base::AtomicFile file(path, base::Links::Follow, options.batch);
    if (!file.open())
        return fail(file.reason());
    auto lock = d_->lock();
    fz_context* c = ctx();
    FileSink sink{&file, 0};
    fz_output* out = nullptr;
    fz_var(out);
    fz_try(c) {
        out = fz_new_output(c, 256 * 1024, &sink, sinkWrite, nullptr, nullptr);
        out->tell = sinkTell;
    }
    fz_catch(c) {
        file.cancel();
        return fail(QStringLiteral("out of memory"));
    }
    try {
        writeTo(out, options);
    } catch (const Error& e) {
        fz_drop_output(c, out);
        file.cancel();
        return fail(QString::fromUtf8(e.what()));
    }
    fz_drop_output(c, out);
    if (!file.commit())
        return fail(file.reason());
    return true;
}

} // namespace pdf
