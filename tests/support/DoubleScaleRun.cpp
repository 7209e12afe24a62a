#include "support/DoubleScaleRun.h"

#include <QCoreApplication>
#include <QProcess>

namespace windowtest {

bool isDoubleScaleRun() {
    return qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2");
}

QString failureAtDoubleScale(const QString& filter, int expectedPasses) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_SCALE_FACTOR", "2");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + filter});
    if (!child.waitForFinished(600000))
        return QStringLiteral("the double-scale run did not end");
    const QString output = QString::fromUtf8(child.readAll());
    const bool passed = child.exitCode() == 0 && output.contains("device pixel ratio 2") &&
                        output.contains(QStringLiteral("[  PASSED  ] %1 test").arg(expectedPasses));
    return passed ? QString() : output;
}

} // namespace windowtest
