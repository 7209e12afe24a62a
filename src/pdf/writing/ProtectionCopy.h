#pragma once
// A document made from another's pages, written with the other's encryption.
#include "pdf/document/Document.h"

namespace pdf {

// Gives `copy` (a document made in memory) the encryption of `source`: the same
// encryption dictionary, identifier and key, unlocked with the password that opened
// `source`, so that `copy` written with WriteOptions::keepProtection asks for the same
// passwords and keeps the same permissions. True when `source` is not encrypted or `copy`
// took its protection; false when it could not, and `copy` is then not encrypted.
bool takeProtectionOf(Document& copy, const Document& source);

} // namespace pdf
