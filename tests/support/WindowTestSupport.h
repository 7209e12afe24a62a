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
// Runs the tests of this binary that `filter` selects again in a child process at twice the
// scale, on a virtual screen of 1600 x 1000 pixels (800 x 500 at that scale); its exit
// status lands in `exitCode` and its output is returned. The scale is fixed per process.
QString runAtDoubleScale(const QString& filter, int* exitCode);
// The window's menu bar item labelled `label`, in any menu; nullptr when there is none.
QAction* menuItem(ContentView& window, const QString& label);

// The same, with the exit code and what it printed together.
struct ChildRun {
    int exitCode = -1;
    QString output;
};
ChildRun runAtDoubleScale(const QString& filter);

} // namespace windowtest
