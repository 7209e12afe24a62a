// Brivel PDF: the desktop application.
#include "app/AppCommands.h"
#include "views/QtFileDialogs.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Vellumark");
    QApplication::setApplicationName("Brivel PDF");
    QtFileDialogs::install();
    QMainWindow window;
    AppCommands::install(window.menuBar());
    window.setWindowTitle("Brivel PDF");
    window.resize(1000, 700);
    window.show();
    return app.exec();
}
