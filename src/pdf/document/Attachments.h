#pragma once
// Files embedded in a document: the document's own (its /EmbeddedFiles name tree) and
// those of file-attachment annotations on its pages. Listing reads what the file declares
// and never the contents; saving decodes the contents in pieces straight to the target,
// up to a limit, so neither a declared size nor a compressed bomb decides what is held in
// memory. Names from a file are shown, never used as paths as they are: safeFileName().
#include <QDateTime>
#include <QString>

#include <vector>

namespace pdf {

class Document;

struct Attachment {
    QString name{}; // as the file names it, control characters taken out
    QString description{};
    qint64 size = -1; // as the file declares it (not checked); -1 when it does not say
    QString mimeType{};
    QDateTime created{};
    QDateTime modified{};
    int page = -1; // the page of its annotation; -1 for the document's own
};

// At most this many are listed; a file with more is damaged or hostile.
constexpr int kMaxAttachments = 10000;
// What saving writes at most (decoded bytes).
constexpr qint64 kAttachmentWriteLimit = qint64(4) << 30;

// In order: the document's own first (as its name tree has them), then the annotations'
// by page. Empty for a locked document.
std::vector<Attachment> attachments(const Document& document);

// Writes the decoded contents of attachments(document)[index] to `path` through a
// temporary file. False with `error` set when the index is unknown, the contents cannot be
// read, they pass `limit` bytes, or the write fails; nothing is left at `path` then.
bool saveAttachment(const Document& document, int index, const QString& path, QString* error,
                    qint64 limit = kAttachmentWriteLimit);

// A name that is safe as the last part of a path: its last component after any '/' or '\',
// without control characters or NUL, without leading dots or spaces, at most 200 bytes
// of UTF-8 (the extension kept), "attachment" when nothing is left.
QString safeFileName(const QString& name);

} // namespace pdf
