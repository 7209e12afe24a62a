#pragma once
// Window tests once more at twice the scale: the scale is fixed per process, so the test
// binary runs itself again with QT_SCALE_FACTOR=2.
#include <QString>

namespace windowtest {

// True inside the second, double-scale run.
bool isDoubleScaleRun();
// Runs the tests matching `filter` in a child at twice the scale. Empty when every one of
// `expectedPasses` tests passed there at a device pixel ratio of 2 (the tests print it);
// otherwise the child's output.
QString failureAtDoubleScale(const QString& filter, int expectedPasses);

} // namespace windowtest
