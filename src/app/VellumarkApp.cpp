#include "app/VellumarkApp.h"

#include "app/AppCommands.h"
#include "app/DocumentPreloader.h"
#include "base/InputFiles.h"
#include "base/TerminalText.h"
#include "desktop/qt/QtAlerts.h"
#include "desktop/qt/QtFileDialogs.h"
#include "desktop/qt/QtFileLauncher.h"
#include "desktop/qt/QtPrintDialogs.h"
#include "shell/ContentView.h"
#include "viewmodels/DocumentViewModel.h"
#include "widgets/Icons.h"

#include "pageview/ViewMemoryBudget.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextStream>
#include <QUrl>

ContentView* VellumarkApp::makeWindow() {
    auto* window = new ContentView;
    AppCommands::install(window->menuBar(), window->commandCenter());
    window->refreshEditActions();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->documentVM()->setRemembersPlaces(true);
    // The first window fits the screen's free area, whatever its size and scale.
    QSize size(1000, 700);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    window->resize(size);
    return window;
}

QString VellumarkApp::openArgument(ContentView* window, const QString& argument,
                                   DocumentPreloader* preloaded) {
    const QUrl asUrl(argument);
    const QString path = asUrl.isLocalFile() ? asUrl.toLocalFile() : argument;
    const QFileInfo info(path);
    if (const QString reason = base::unreadableReason(path); !reason.isEmpty())
        return reason;
    DocumentViewModel* model = window->documentVM();
    const auto before = model->pdfDocument();
    model->loadDocument(QUrl::fromLocalFile(info.absoluteFilePath()),
                        preloaded ? preloaded->take(info.absoluteFilePath()) : nullptr);
    if (!model->pdfDocument() || model->pdfDocument() == before)
        return QStringLiteral("not a readable PDF document");
    return {};
}

QString VellumarkApp::version() {
    return QStringLiteral(VELLUMARK_VERSION);
}

std::optional<int> VellumarkApp::answerInformationOptions(const QStringList& arguments,
                                                          QTextStream& out) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v")) {
            out << "vellumark " << version() << Qt::endl;
            return 0;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            out << "Usage: vellumark [FILE.pdf...]\n"
                   "Brivel PDF: read, annotate and edit PDF documents.\n\n"
                   "Each file given opens in a window of its own; with none, an empty window\n"
                   "opens. Files are paths or file:// addresses.\n\n"
                   "Options:\n"
                   "  -h, --help     show this help and exit\n"
                   "  -v, --version  show the version and exit\n\n"
                   "The same services without a window: vellumark-cli --help\n";
            out.flush();
            return 0;
        }
        if (argument.startsWith(QLatin1Char('-')) && !QFileInfo::exists(argument)) {
            out << "vellumark: unknown option " << argument << "\nTry vellumark --help" << Qt::endl;
            return 2;
        }
    }
    return std::nullopt;
}

QList<ContentView*> VellumarkApp::openFiles(ContentView* first, const QStringList& files,
                                            QTextStream& errors, DocumentPreloader* preloaded) {
    QList<ContentView*> windows;
    for (const QString& file : files) {
        if (file == QLatin1String("--"))
            continue;
        ContentView* window = windows.isEmpty() ? first : makeWindow();
        const QString error = openArgument(window, file, preloaded);
        if (error.isEmpty()) {
            windows << window;
            continue;
        }
        errors << "vellumark: cannot open " << base::terminalSafe(file) << ": " << error
               << Qt::endl;
        if (window != first)
            delete window;
    }
    if (windows.isEmpty())
        windows << first;
    return windows;
}

std::unique_ptr<DocumentPreloader> VellumarkApp::startReading(const QStringList& arguments) {
    // Before the first document: the engine's store is made at the budget's size.
    ViewMemoryBudget::standard().apply();
    const QStringList files = arguments.mid(1);
    return std::make_unique<DocumentPreloader>(
        files.value(0) == QLatin1String("--") ? files.value(1) : files.value(0));
}

int VellumarkApp::run(const QStringList& arguments, DocumentPreloader* preloaded) {
    QApplication::setWindowIcon(Icons::applicationIcon());
    QApplication::setDesktopFileName(QStringLiteral("vellumark"));
    QApplication::setApplicationVersion(version());
    QtFileDialogs::install();
    QtAlerts::install();
    QtPrintDialogs::install();
    QtFileLauncher::install();
    std::unique_ptr<DocumentPreloader> started;
    if (!preloaded) {
        started = startReading(arguments);
        preloaded = started.get();
    }

    QTextStream errors(stderr);
    const QStringList files = arguments.mid(1);
    const QList<ContentView*> windows = openFiles(makeWindow(), files, errors, preloaded);
    // Each further window opens a little below and right of the one before.
    for (int i = 0; i < windows.size(); ++i) {
        if (i > 0)
            windows[i]->move(windows[0]->pos() + QPoint(32, 32) * i);
        windows[i]->show();
    }
    return QApplication::exec();
}
