#pragma once
// System libraries the program loads the first time they are needed rather than at start-up.
// Text recognition and the text layout used to draw new documents pull in dozens of other
// libraries (image codecs, network, font configuration) that most runs never touch; linked
// directly, they were mapped and relocated before main on every start of the window and of
// every command.
//
// Each library's functions are listed once, by name; the table holds one pointer per
// function, typed after the library's own declaration, so a call through it is checked by
// the compiler exactly as a direct call would be.

#include <QString>

#include <dlfcn.h>

namespace utilities {

// Opens the first of `sonames` that loads. The handle is never closed: the libraries stay
// for the life of the process, as linked ones would. Null, with `error` set, if none loads.
void* openLibrary(std::initializer_list<const char*> sonames, QString* error);

// Resolves `name` in `handle` (or the libraries it depends on) into `slot`.
template <typename Function>
bool resolve(void* handle, Function& slot, const char* name, QString* error) {
    slot = reinterpret_cast<Function>(dlsym(handle, name));
    if (!slot && error)
        *error =
            QStringLiteral("the function %1 is missing from the library").arg(QLatin1String(name));
    return slot != nullptr;
}

} // namespace utilities

// Declares a table member per function of `LIST`, and a loader that fills them all.
#define VELLUMARK_LIBRARY_MEMBER(name) decltype(&::name) name = nullptr;
#define VELLUMARK_LIBRARY_RESOLVE(name)                                                            \
    if (!utilities::resolve(handle, table.name, #name, error))                                     \
        return false;
