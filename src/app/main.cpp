// Brivel PDF: the desktop application.
#include "app/VellumarkApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumark"));
    QApplication::setApplicationName(QStringLiteral("Brivel PDF"));
    return VellumarkApp::run(QApplication::arguments());
}
