#pragma once
// The application: one window showing ContentView with the menu catalogue, the Qt file
// dialogs installed, and the file named on the command line opened at start.
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTextStream;

class ContentView;
class DocumentPreloader;

class VellumarkApp {
public:
    // Runs the application with an existing QApplication; returns its exit code.
    // `preloaded`, when given, was started on the first file before the application was
    // made (see startReading); otherwise run() starts it.
    static int run(const QStringList& arguments, DocumentPreloader* preloaded = nullptr);

    // The first file among the arguments (the program's name first), read on a thread of
    // its own from now on. Called before the QApplication is made, the reading overlaps
    // the display's set-up too; the engine's memory budget is applied first.
    static std::unique_ptr<DocumentPreloader> startReading(const QStringList& arguments);

    // --help and --version are answered on `out` before any window or display is needed:
    // the exit code, or nullopt when the arguments ask for windows.
    static std::optional<int> answerInformationOptions(const QStringList& arguments,
                                                       QTextStream& out);
    static QString version();

    // Opens each file of `files` in a window of its own (the first in `first`); the
    // windows are returned, shown or not. Files that cannot be opened are reported on
    // `errors` and get no window, unless none opens: then `first` stays, empty.
    // `preloaded` may hold one of them read already.
    static QList<ContentView*> openFiles(ContentView* first, const QStringList& files,
                                         QTextStream& errors,
                                         DocumentPreloader* preloaded = nullptr);

    // A new main window of the default size (not yet shown).
    static ContentView* makeWindow();

    // Opens a command-line argument (a path or a file URL) in `window`. Returns an empty
    // text on success, otherwise why it could not be opened.
    static QString openArgument(ContentView* window, const QString& argument,
                                DocumentPreloader* preloaded = nullptr);
};
