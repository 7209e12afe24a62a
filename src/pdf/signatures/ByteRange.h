#pragma once
// Whether a signature's /ByteRange is one a verifier can trust: it signs the whole file as
// it stood, except exactly the signature's own /Contents string.
#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace pdf {

using ByteRanges = std::vector<std::pair<qint64, qint64>>; // (offset, length) pairs

// Empty when `ranges` start at the file's first byte, stay inside `file`, and leave out one
// hole that is exactly a hex string; else why not, as a phrase ("its byte range overlaps
// itself"). `contents` is the /Contents the dictionary holds, compared with the hole when
// `compareContents` (an encrypted file's parsed strings differ from its bytes).
QString byteRangeProblem(const QByteArray& file, const ByteRanges& ranges,
                         const QByteArray& contents, bool compareContents);

} // namespace pdf
