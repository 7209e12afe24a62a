// What an open document was read from: its bytes, its opening password and whether it
// changed since. The signing code reads these to append to the file the document came from.
#include "pdf/document/DocumentSource.h"

#include "pdf/document/Document.h"
#include "pdf/document/FileStream.h"
#include "pdf/engine/Internal.h"

#include <QFile>

#include <cstring>

namespace pdf {

namespace {

// True when `needle` occurs in `bytes`. The library's search costs about a millisecond per
// 3 MB; jumping from one occurrence of the needle's first byte to the next (a vectorised
// scan, a few hundred bytes apart in compressed streams) is several times quicker, which
// counts while a long file opens.
bool containsBytes(QByteArrayView bytes, QByteArrayView needle) {
    if (needle.isEmpty())
        return true;
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    const qsizetype length = needle.size();
    while (end - at >= length) {
        at = static_cast<const char*>(std::memchr(at, needle[0], size_t(end - at - length + 1)));
        if (!at)
            return false;
        if (std::memcmp(at, needle.data(), size_t(length)) == 0)
            return true;
        ++at;
    }
    return false;
}

} // namespace

bool hasUnsavedChanges(const Document& document) {
    DocumentData& d = *document.data();
    auto lock = d.lock();
    fz_context* c = engine::ctx();
    int changed = 1;
    fz_var(changed);
    fz_try(c) {
        changed = pdf_has_unsaved_changes(c, d.pdf);
    }
    fz_catch(c) {
        changed = 1;
    }
    return changed != 0;
}

QByteArray openingPassword(const Document& document) {
    DocumentData& d = *document.data();
    auto lock = d.lock();
    return d.password;
}

bool unlockLike(Document& copy, const Document& original) {
    return !copy.isLocked() || copy.unlock(QString::fromUtf8(openingPassword(original)));
}

QByteArray sourceBytes(const Document& document) {
    DocumentData& d = *document.data();
    auto lock = d.lock();
    if (d.file)
        return d.file->readAll();
    if (!d.source)
        return {};
    unsigned char* data = nullptr;
    const size_t size = fz_buffer_storage(engine::ctx(), d.source, &data);
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

SourceState sourceState(const Document& document) {
    std::shared_ptr<SourceFile> file;
    {
        auto lock = document.data()->lock();
        file = document.data()->file;
    }
    if (!file)
        return SourceState::Unchanged;
    if (!file->unchanged())
        return SourceState::Changed;
    return file->isNamedBy(QFile::encodeName(document.path())) ? SourceState::Unchanged
                                                               : SourceState::Replaced;
}

bool sourceContains(const Document& document, const QByteArray& needle) {
    if (needle.isEmpty())
        return true;
    DocumentData& d = *document.data();
    std::shared_ptr<SourceFile> file;
    {
        auto lock = d.lock();
        if (d.source) {
            unsigned char* data = nullptr;
            const size_t size = fz_buffer_storage(engine::ctx(), d.source, &data);
            const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
            return containsBytes(bytes, needle);
        }
        file = d.file;
    }
    if (!file)
        return false;
    // In pieces that overlap by the needle's length, so a match across two is still seen.
    constexpr int64_t kChunk = 1 << 20;
    const int64_t overlap = needle.size() - 1;
    for (int64_t at = 0; at < file->size(); at += kChunk) {
        const QByteArray piece =
            file->read(std::max<int64_t>(0, at - overlap), kChunk + (at > 0 ? overlap : 0));
        if (piece.isEmpty())
            return false;
        if (containsBytes(piece, needle))
            return true;
    }
    return false;
}

} // namespace pdf
