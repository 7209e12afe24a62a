#pragma once
// The engine's store: decoded images, fonts and parsed resources it keeps between pages
// for every document. Its size is part of the viewer's memory budget.
#include <cstddef>

namespace pdf::EngineStore {

// The most the store may hold. Takes effect fully when called before the first document
// is opened; later, the store is brought down to it by trim().
void setLimit(size_t bytes);
size_t limit();

// What the store holds now, in bytes.
size_t bytes();

// Evicts what nobody uses until the store holds at most limit() bytes (or `bytes`, when
// given and lower). Items in use by a page being drawn stay.
void trim(size_t bytes = 0);

} // namespace pdf::EngineStore
