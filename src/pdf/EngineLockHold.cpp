#include "pdf/EngineLockHold.h"

#include "pdf/Document.h"
#include "pdf/Internal.h"

namespace pdf {

EngineLockHold::EngineLockHold(const Document& document) : d_(document.data()) {
    d_->mutex.lock();
}

EngineLockHold::~EngineLockHold() {
    d_->mutex.unlock();
}

} // namespace pdf
