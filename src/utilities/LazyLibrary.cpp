#include "utilities/LazyLibrary.h"

namespace utilities {

void* openLibrary(std::initializer_list<const char*> sonames, QString* error) {
    QString reasons;
    for (const char* soname : sonames) {
        if (void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL))
            return handle;
        if (const char* reason = dlerror())
            reasons = QString::fromLocal8Bit(reason);
    }
    if (error)
        *error = reasons.isEmpty() ? QStringLiteral("the library could not be loaded") : reasons;
    return nullptr;
}

} // namespace utilities
