#pragma once
// Holds a document's engine lock for as long as it lives, as a worker recording a heavy
// page does. Tests use it to show that what the window asks while painting never waits
// for that lock.
#include <memory>

namespace pdf {

class Document;
struct DocumentData;

class EngineLockHold {
public:
    explicit EngineLockHold(const Document& document);
    ~EngineLockHold();
    EngineLockHold(const EngineLockHold&) = delete;
    EngineLockHold& operator=(const EngineLockHold&) = delete;

private:
    std::shared_ptr<DocumentData> d_;
};

} // namespace pdf
