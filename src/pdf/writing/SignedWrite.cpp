// Writing a document read from a signed file by appending its changes: the engine writes
// the update through a stream that already holds the source bytes, as if it appended to
// the file itself.
#include "pdf/writing/SignedWrite.h"

#include "pdf/document/Document.h"
#include "pdf/document/DocumentSource.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/signatures/SignatureFields.h"

#include <cstdio>

namespace pdf {

using engine::ctx;

namespace {

// Forwards to the real output and keeps the count the engine's offsets need. The engine
// seeks to the end of what it believes is the file and reads its last byte back; both are
// served from the source bytes, which are what the stream holds at that point.
struct AppendStream {
    fz_output* target = nullptr;
    int64_t written = 0;
    const unsigned char* source = nullptr;
    size_t sourceLength = 0;
};

void appendWrite(fz_context* c, void* state, const void* data, size_t n) {
    auto* s = static_cast<AppendStream*>(state);
    fz_write_data(c, s->target, data, n);
    s->written += int64_t(n);
}

int64_t appendTell(fz_context*, void* state) {
    return static_cast<AppendStream*>(state)->written;
}

void appendSeek(fz_context* c, void* state, int64_t offset, int whence) {
    const auto* s = static_cast<AppendStream*>(state);
    const int64_t to = whence == SEEK_SET ? offset : s->written + offset;
    if (to != s->written)
        fz_throw(c, FZ_ERROR_GENERIC, "an update can only be appended");
}

// Seeks only ever reach the end, so there is nothing behind it to cut.
void appendTruncate(fz_context*, void*) {}

fz_stream* appendReadBack(fz_context* c, void* state) {
    const auto* s = static_cast<AppendStream*>(state);
    return fz_open_memory(c, s->source, s->sourceLength);
}

} // namespace

QByteArray signedSource(const Document& document) {
    if (!sourceContains(document, "/ByteRange"))
        return {};
    QByteArray source = sourceBytes(document);
    if (readSignatureFields(source, openingPassword(document)).empty())
        return {};
    return source;
}

bool writeAppendsToSignatures(const Document& document, const WriteOptions& options) {
    if (signedSource(document).isEmpty())
        return false;
    auto lock = document.data()->lock();
    return writing::canAppend(document, options);
}

namespace writing {

bool canAppend(const Document& document, const WriteOptions& options) {
    const DocumentData& d = *document.data();
    // New passwords, and a copy with nothing left of what was taken out, are written whole.
    if (!options.ownerPassword.isEmpty() || !options.userPassword.isEmpty() ||
        options.collectGarbage)
        return false;
    fz_context* c = ctx();
    int appendable = 0;
    fz_try(c) {
        appendable =
            (!d.pdf->crypt || options.keepProtection) && pdf_can_be_saved_incrementally(c, d.pdf);
    }
    fz_catch(c) {
        appendable = 0;
    }
    return appendable != 0;
}

void appendChanges(const Document& document, const QByteArray& source, fz_output* out) {
    pdf_document* doc = document.data()->pdf;
    fz_context* c = ctx();
    AppendStream state;
    state.target = out;
    state.source = reinterpret_cast<const unsigned char*>(source.constData());
    state.sourceLength = size_t(source.size());
    pdf_write_options opts = pdf_default_write_options;
    opts.do_incremental = 1;
    opts.do_compress = 1;
    opts.do_compress_images = 1;
    opts.do_compress_fonts = 1;
    opts.do_encrypt = PDF_ENCRYPT_KEEP;
    // The engine takes the written update for its file: it would chain the next update to
    // this one's cross-reference, which the next copy does not hold.
    const int64_t startxref = doc->startxref;
    const int64_t endOffset = doc->num_xref_sections > 0 ? doc->xref_sections[0].end_ofs : 0;
    fz_output* stream = nullptr;
    bool ok = true;
    fz_var(stream);
    fz_try(c) {
        stream = fz_new_output(c, 0, &state, appendWrite, nullptr, nullptr);
        stream->tell = appendTell;
        stream->seek = appendSeek;
        stream->truncate = appendTruncate;
        stream->as_stream = appendReadBack;
        fz_write_data(c, stream, source.constData(), size_t(source.size()));
        if (pdf_has_unsaved_changes(c, doc))
            pdf_write_document(c, doc, stream, &opts);
        fz_close_output(c, stream);
        fz_close_output(c, out);
    }
    fz_always(c) {
        doc->startxref = startxref;
        if (doc->num_xref_sections > 0)
            doc->xref_sections[0].end_ofs = endOffset;
        fz_drop_output(c, stream);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok)
        throw Error(engine::lastError(c).toStdString());
}

} // namespace writing

} // namespace pdf
