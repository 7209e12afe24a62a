#pragma once
// What an open document was read from: its bytes, its opening password and whether it
// changed since. The signing code reads these to append to the file the document came from.
#include <QByteArray>

namespace pdf {

class Document;

// Whether the document was changed in memory since it was read.
bool hasUnsavedChanges(const Document& document);

// The bytes a document was read from (its file as it was opened, or the memory it was
// opened from); empty for documents made in memory, and when its file changed on disk
// since (see sourceState): nothing is ever appended to bytes the document did not read.
QByteArray sourceBytes(const Document& document);

// How the file a document was read from stands now.
enum class SourceState {
    Unchanged, // as it was opened (or the document was not read from a file)
    Replaced,  // its name now leads to another file, or to none; the bytes read stay readable
    Changed,   // written over in place: the document can no longer read from it
};
SourceState sourceState(const Document& document);
// Whether those bytes contain `needle`, looked for where they lie: a long file is not
// copied to learn that it carries no signature.
bool sourceContains(const Document& document, const QByteArray& needle);

// The password that unlocked `document` (empty when it needed none): copies of a protected
// document's bytes are read again with it.
QByteArray openingPassword(const Document& document);
// Unlocks `copy`, read from bytes that keep `original`'s protection, with the password that
// unlocked `original`. True when `copy` is readable afterwards.
bool unlockLike(Document& copy, const Document& original);

} // namespace pdf
