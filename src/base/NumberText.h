#pragma once
// Numbers written straight into bytes, as text of the same form QString::arg gives them:
// for output of many lines, where building each through QString costs more than the rest.
#include <QByteArray>

namespace base {

// Appends `value` exactly as QString("%1").arg(value) writes it: six significant digits,
// trailing zeros dropped, an exponent (at least two digits) below 1e-4 or from 1e6 up,
// halfway cases rounded away from zero, "0" for either zero, and the C locale's point.
void appendNumber(QByteArray& out, double value);
// Appends `value` in decimal, as QString::number(value) writes it.
void appendNumber(QByteArray& out, long long value);
inline void appendNumber(QByteArray& out, int value) {
    appendNumber(out, static_cast<long long>(value));
}

} // namespace base
