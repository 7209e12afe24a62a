#pragma once
// Helpers for tests of the main window: PDFs written to a private folder, and waiting for
// work queued on the main loop.
#include <QString>
#include <QTemporaryDir>

class ContentView;
class QAction;

namespace windowtest {

// A folder that lives as long as the test binary.
const QString& folder();
// numberedPdf(pages) written as `name` in folder(); returns the path.
QString numberedFile(const QString& name, int pages);
// Runs the main loop until `done` holds or a generous bound passes; returns `done()`.
bool waitUntil(const std::function<bool()>& done, int bound = 10000);
// Opens `path` in the window's document view model.
void open(ContentView& window, const QString& path);
// The window's menu bar item labelled `label`, in any menu; nullptr when there is none.
QAction* menuItem(ContentView& window, const QString& label);

// This test binary run again with `filter` at twice the scale (the scale is fixed per
// process): its exit code and everything it printed.
struct ChildRun {
    int exitCode = -1;
    QString output;
};
ChildRun runAtDoubleScale(const QString& filter);

} // namespace windowtest
