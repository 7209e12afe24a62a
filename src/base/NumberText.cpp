#include "base/NumberText.h"

#include <QString>

#include <charconv>
#include <cmath>

namespace base {

namespace {

// Whether the shortest text that reads back as `value` has seven significant digits, the
// last a 5: only such a value can lie exactly halfway between two six-digit ones. Every
// other value has one nearest six-digit neighbour, which both roundings find.
bool mayBeHalfway(double value) {
    char text[64];
    const auto done = std::to_chars(text, text + sizeof text, value);
    const char* end = done.ptr;
    for (const char* p = text; p < end; ++p)
        if (*p == 'e') {
            end = p;
            break;
        }
    const char* first = text;
    while (first < end && (*first == '-' || *first == '0' || *first == '.'))
        ++first;
    const char* last = end;
    while (last > first && (last[-1] == '0' || last[-1] == '.'))
        --last;
    int digits = 0;
    for (const char* p = first; p < last; ++p)
        digits += *p != '.';
    return digits == 7 && last[-1] == '5';
}

} // namespace

void appendNumber(QByteArray& out, double value) {
    if (value == 0) {
        out += '0'; // negative zero too
        return;
    }
    // Most sides of most boxes: a whole number of six digits at most, written as it is.
    if (std::fabs(value) < 1e6 && value == std::trunc(value)) {
        appendNumber(out, static_cast<long long>(value));
        return;
    }
    // to_chars rounds a halfway case to even, QString::arg away from zero: those few, and
    // infinities and NaN, are written the way QString::arg writes them.
    if (!std::isfinite(value) || mayBeHalfway(value)) {
        out += QString::number(value, 'g', 6).toLatin1();
        return;
    }
    char text[32];
    const auto done = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    out.append(text, done.ptr - text);
}

void appendNumber(QByteArray& out, long long value) {
    char text[24];
    const auto done = std::to_chars(text, text + sizeof text, value);
    out.append(text, done.ptr - text);
}

} // namespace base
