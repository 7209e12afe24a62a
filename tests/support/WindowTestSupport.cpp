#include "support/WindowTestSupport.h"

#include "shell/ContentView.h"
#include "support/PdfFixtures.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenuBar>
#include <QProcess>
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

QAction* menuItem(ContentView& window, const QString& label) {
    for (QAction* top : window.menuBar()->actions())
        if (top->menu())
            for (QAction* action : top->menu()->actions())
                if (action->text() == label)
                    return action;
    return nullptr;
}

ChildRun runAtDoubleScale(const QString& filter) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_SCALE_FACTOR", "2");
    env.remove("VELLUMARK_SCREENSHOT_DIR");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + filter});
    ChildRun run;
    if (child.waitForFinished(300000))
        run.exitCode = child.exitCode();
    run.output = QString::fromUtf8(child.readAll());
    return run;
}

} // namespace windowtest
