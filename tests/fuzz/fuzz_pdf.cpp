// libFuzzer entry point; built by scripts/fuzz.sh.
#include "fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzOneInput(data, size);
    return 0;
}
