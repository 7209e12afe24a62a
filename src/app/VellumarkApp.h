#pragma once
// The application: one window showing ContentView with the menu catalogue, the Qt file
// dialogs installed, and the file named on the command line opened at start.
#include <QString>
#include <QStringList>

class ContentView;

class VellumarkApp {
public:
    // Runs the application with an existing QApplication; returns its exit code.
    static int run(const QStringList& arguments);

    // A new main window of the default size (not yet shown).
    static ContentView* makeWindow();

    // Opens a command-line argument (a path or a file URL) in `window`. Returns an empty
    // text on success, otherwise why it could not be opened.
    static QString openArgument(ContentView* window, const QString& argument);
};
