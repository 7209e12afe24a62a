// Brivel PDF: the desktop application.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Vellumark");
    QApplication::setApplicationName("Brivel PDF");
    QMainWindow window;
    window.setWindowTitle("Brivel PDF");
    window.resize(1000, 700);
    window.show();
    return app.exec();
}
