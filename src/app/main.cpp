// Brivel PDF: the desktop application.
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
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumark"));
    QApplication::setApplicationName(QStringLiteral("Brivel PDF"));
    return VellumarkApp::run(QApplication::arguments());
}
