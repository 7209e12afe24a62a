#include "support/WindowTestSupport.h"

#include "shell/ContentView.h"
#include "support/PdfFixtures.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

} // namespace windowtest
