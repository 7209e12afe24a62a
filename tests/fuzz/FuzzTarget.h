#pragma once
// One input through the paths a hostile file reaches first: opening, the page count and
// sizes, the text and rendering of page 1, the form fields, and every writer (a signature
// appended, a copy keeping the protection, a protected copy, a merge, a watermark), each
// output opened again and checked for its pages. Shared by the fuzzer and the test that replays
// the inputs it found.
#include <cstddef>
#include <cstdint>

void fuzzOneInput(const std::uint8_t* data, std::size_t size);
