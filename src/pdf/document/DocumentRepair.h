#pragma once
// Whether a document was read through a cross-reference rebuilt from a damaged file. Its
// pages are then what this reader made of the damage, which other readers (and a copy
// written from it, read again) may see otherwise.
namespace pdf {

class Document;

bool wasRepaired(const Document& document);

} // namespace pdf
