#include "support/WindowTestSupport.h"

#include "shell/ContentView.h"
#include "support/PdfFixtures.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace windowtest {

const QString& folder() {
    static QTemporaryDir dir;
    static const QString path = dir.path();
    return path;
}

QString numberedFile(const QString& name, int pages) {
    return fixtures::writeTemp(folder(), name, fixtures::numberedPdf(pages));
}

bool waitUntil(const std::function<bool()>& done, int bound) {
    QDeadlineTimer deadline(bound);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

void open(ContentView& window, const QString& path) {
    window.documentVM()->loadDocument(QUrl::fromLocalFile(path));
}

QString runAtDoubleScale(const QString& filter, int* exitCode) {
    *exitCode = -1;
    QTemporaryDir dir;
    const QString config = dir.filePath("screen.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write the screen's description");
    file.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1600, "height": 1000,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_SCALE_FACTOR", "2");
    env.remove("VELLUMARK_SCREENSHOT_DIR");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=" + filter, "-platform", "offscreen:configfile=" + config});
    if (!child.waitForFinished(300000))
        return QStringLiteral("the double-scale run did not finish");
    *exitCode = child.exitCode();
    return QString::fromUtf8(child.readAll());
}

QAction* menuItem(ContentView& window, const QString& label) {
    for (QAction* top : window.menuBar()->actions())
        if (top->menu())
            for (QAction* action : top->menu()->actions())
                if (action->text() == label)
                    return action;
    return nullptr;
}

ChildRun runAtDoubleScale(const QString& filter) {
    ChildRun run;
    run.output = runAtDoubleScale(filter, &run.exitCode);
    return run;
}

} // namespace windowtest
