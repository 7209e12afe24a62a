// Numbers written straight into bytes read exactly as QString::arg writes them, so output
// built either way is the same to the byte.
#include "base/NumberText.h"

#include <QString>
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

QByteArray written(double value) {
    QByteArray out;
    base::appendNumber(out, value);
    return out;
}

QByteArray theirs(double value) {
    return QString("%1").arg(value).toLatin1();
}

TEST(NumberText, PageBoxesAndEveryKindOfValueReadAsQStringArgWritesThem) {
    const double inf = std::numeric_limits<double>::infinity();
    // Boxes as files give them, values halfway between two six-digit ones (rounded away from
    // zero), both zeros, the extremes, and what has no digits at all.
    const double values[] = {0.5,        595.276,    841.89,   612,       792,         -10.25,
                             0.333333f,  14400,      100000.5, -929126.5, 17578.25,    1253.125,
                             1234565,    1234565000, 999999.5, 1e6,       1e-4,        2e-5,
                             123456.789, 1e21,       -0.0,     0,         DBL_MIN,     DBL_MAX,
                             5e-324,     FLT_MAX,    inf,      -inf,      std::nan("")};
    for (const double value : values)
        EXPECT_EQ(written(value), theirs(value)) << value;
    EXPECT_EQ(written(595.276f), "595.276");
    EXPECT_EQ(written(100000.5), "100001");
    EXPECT_EQ(written(-0.0), "0");
}

TEST(NumberText, AMillionValuesFromBoxesAndFromRandomBitsReadTheSame) {
    std::mt19937_64 random(20000);
    for (int i = 0; i < 1000000; ++i) {
        double value = 0;
        switch (i % 5) {
        case 0: // a point of a page, as the engine reads it (a float)
            value = float(std::uniform_real_distribution<double>(-2000, 20000)(random));
            break;
        case 1: // a multiple of a small power of two: many land halfway
            value = double(std::uniform_int_distribution<int>(-20000000, 20000000)(random)) /
                    double(1 << (random() % 12));
            break;
        case 2: { // any float
            const auto bits = uint32_t(random());
            float f;
            std::memcpy(&f, &bits, sizeof f);
            value = f;
            break;
        }
        case 3: { // any double
            const uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            break;
        }
        default: // an edge computed from two floats, as a rectangle's right side is
            value = double(float(random() % 100000) / 7.0f) + double(float(random() % 1000) / 3.0f);
        }
        ASSERT_EQ(written(value), theirs(value)) << value;
    }
}

TEST(NumberText, WholeNumbersReadAsQStringNumberWritesThem) {
    for (const long long value : {0LL, 1LL, -1LL, 20000LL, 270LL, -90LL, (long long)INT_MIN,
                                  (long long)INT_MAX, LLONG_MIN, LLONG_MAX}) {
        QByteArray out = "[";
        base::appendNumber(out, value);
        EXPECT_EQ(out, "[" + QByteArray::number(value)) << value;
    }
    QByteArray out;
    base::appendNumber(out, 90);
    EXPECT_EQ(out, QString("%1").arg(90).toLatin1());
}

} // namespace
