#include "pdf/engine/EngineLockHold.h"

#include "pdf/document/Document.h"
#include "pdf/engine/Internal.h"

namespace pdf {

EngineLockHold::EngineLockHold(const Document& document) : d_(document.data()) {
    d_->mutex.lock();
}

EngineLockHold::~EngineLockHold() {
    d_->mutex.unlock();
}

} // namespace pdf
