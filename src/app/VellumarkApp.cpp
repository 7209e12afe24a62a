#include "app/VellumarkApp.h"

#include "app/AppCommands.h"
#include "viewmodels/DocumentViewModel.h"
#include "shell/ContentView.h"
#include "widgets/Icons.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtFileDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>

ContentView* VellumarkApp::makeWindow() {
    auto* window = new ContentView;
    AppCommands::install(window->menuBar());
    window->refreshEditActions();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(1000, 700);
    return window;
}

QString VellumarkApp::openArgument(ContentView* window, const QString& argument) {
    const QUrl asUrl(argument);
    const QString path = asUrl.isLocalFile() ? asUrl.toLocalFile() : argument;
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder");
    if (!info.isReadable())
        return QStringLiteral("permission denied");
    DocumentViewModel* model = window->documentVM();
    const auto before = model->pdfDocument();
    model->loadDocument(QUrl::fromLocalFile(info.absoluteFilePath()));
    if (!model->pdfDocument() || model->pdfDocument() == before)
        return QStringLiteral("not a readable PDF document");
    return {};
}

int VellumarkApp::run(const QStringList& arguments) {
    QApplication::setWindowIcon(Icons::applicationIcon());
    QApplication::setDesktopFileName(QStringLiteral("vellumark"));
    QtFileDialogs::install();
    QtAlerts::install();

    ContentView* window = makeWindow();
    // Only the first file counts: one document per window.
    const QStringList files = arguments.mid(1);
    if (!files.isEmpty()) {
        const QString error = openArgument(window, files.first());
        if (!error.isEmpty())
            QTextStream(stderr) << "vellumark: cannot open " << files.first() << ": " << error
                                << Qt::endl;
    }
    window->show();
    return QApplication::exec();
}
