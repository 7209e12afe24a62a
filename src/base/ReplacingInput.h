#pragma once
// While a ReplacingInput lives, the file at its path may be replaced although it is being
// read (base/InputFiles.h): a window saving its document over the file it was opened
// from, whose bytes the document holds.
#include <QString>

#include <utility>
#include <vector>

namespace base {

class ReplacingInput {
public:
    explicit ReplacingInput(const QString& path);
    ~ReplacingInput();
    ReplacingInput(const ReplacingInput&) = delete;
    ReplacingInput& operator=(const ReplacingInput&) = delete;

private:
    std::vector<std::pair<quint64, quint64>> ids_; // device and inode
};

} // namespace base
