// Brivel PDF: the desktop application.
#include "app/DocumentPreloader.h"
#include "app/VellumarkApp.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    // --help and --version answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    if (const auto code = VellumarkApp::answerInformationOptions(arguments, out))
        return *code;
    // The file named first is read while the display is set up and the window built; it
    // is used only if it is the file the application's own arguments name (Qt takes its
    // options out of them).
    const std::unique_ptr<DocumentPreloader> preloaded = VellumarkApp::startReading(arguments);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumark"));
    QApplication::setApplicationName(QStringLiteral("Brivel PDF"));
    return VellumarkApp::run(QApplication::arguments(), preloaded.get());
}
