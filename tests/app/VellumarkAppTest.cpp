#include "support/WindowTestSupport.h"

#include "app/DocumentPreloader.h"
#include "app/VellumarkApp.h"
#include "pdf/document/DocumentChanges.h"
#include "pdf/document/Page.h"
#include "shell/ContentView.h"
#include "viewmodels/DocumentViewModel.h"

#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QSignalSpy>
#include <QTextStream>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

TEST(CommandLine, HelpAndVersionAnswerWithoutAWindow) {
    QString text;
    QTextStream out(&text);
    EXPECT_EQ(VellumarkApp::answerInformationOptions({"vellumark", "--version"}, out), 0);
    EXPECT_EQ(text.trimmed(), "vellumark " + VellumarkApp::version());
    text.clear();
    EXPECT_EQ(VellumarkApp::answerInformationOptions({"vellumark", "a.pdf", "--help"}, out), 0);
    EXPECT_TRUE(text.startsWith("Usage: vellumark [FILE.pdf...]")) << text.toStdString();
    text.clear();
    EXPECT_EQ(VellumarkApp::answerInformationOptions({"vellumark", "--frobnicate"}, out), 2);
    EXPECT_EQ(VellumarkApp::answerInformationOptions({"vellumark", "a.pdf"}, out), std::nullopt);
    EXPECT_EQ(VellumarkApp::answerInformationOptions({"vellumark", "--", "--help"}, out),
              std::nullopt);
}

TEST(CommandLine, TheProgramPrintsHelpAndExitsWithoutADisplay) {
    const QString program = QStringLiteral(VELLUMARK_BINARY_DIR "/vellumark");
    if (!QFile::exists(program))
        GTEST_SKIP() << "vellumark not built";
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    process.setProcessEnvironment(environment);
    for (const char* option : {"--help", "--version"}) {
        process.start(program, {option});
        ASSERT_TRUE(process.waitForFinished(10000)) << option;
        EXPECT_EQ(process.exitCode(), 0) << option;
        EXPECT_TRUE(process.readAllStandardOutput().startsWith(
            QByteArray(option) == "--help" ? "Usage:" : "vellumark "))
            << option;
    }
}

TEST(CommandLine, EachFileOpensInAWindowOfItsOwn) {
    const QString a = numberedFile("first-of-two.pdf", 2);
    const QString b = numberedFile("second-of-two.pdf", 3);
    QString errors;
    QTextStream err(&errors);
    ContentView* first = VellumarkApp::makeWindow();
    const QList<ContentView*> windows =
        VellumarkApp::openFiles(first, {a, folder() + "/missing.pdf", b}, err);
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0], first);
    EXPECT_EQ(windows[0]->documentVM()->fileName(), "first-of-two.pdf");
    EXPECT_EQ(windows[1]->documentVM()->fileName(), "second-of-two.pdf");
    EXPECT_EQ(windows[1]->documentVM()->totalPages(), 3);
    EXPECT_TRUE(errors.contains("missing.pdf: no such file")) << errors.toStdString();
    // Every window carries the menus.
    EXPECT_FALSE(windows[1]->menuBar()->actions().isEmpty());
    qDeleteAll(windows);

    // Nothing that opens leaves one empty window.
    errors.clear();
    ContentView* lone = VellumarkApp::makeWindow();
    const auto none = VellumarkApp::openFiles(lone, {folder() + "/missing.pdf"}, err);
    ASSERT_EQ(none.size(), 1);
    EXPECT_EQ(none[0], lone);
    EXPECT_FALSE(lone->documentVM()->pdfDocument());
    delete lone;
}

TEST(CommandLine, TheFirstFileIsReadWhileTheWindowIsBuilt) {
    const QString a = numberedFile("preloaded.pdf", 4);
    const QString b = numberedFile("not-preloaded.pdf", 2);
    QString errors;
    QTextStream err(&errors);
    DocumentPreloader preloaded(QUrl::fromLocalFile(a).toString());
    ContentView* first = VellumarkApp::makeWindow();
    const QList<ContentView*> windows = VellumarkApp::openFiles(first, {a, b}, err, &preloaded);
    ASSERT_EQ(windows.size(), 2);
    const pdf::DocumentPtr document = windows[0]->documentVM()->pdfDocument();
    ASSERT_TRUE(document);
    EXPECT_EQ(windows[0]->documentVM()->totalPages(), 4);
    EXPECT_EQ(windows[1]->documentVM()->totalPages(), 2);
    // Taken once: the second window read its own file.
    EXPECT_FALSE(preloaded.take(QFileInfo(a).absoluteFilePath()));
    // Read on another thread, its notices still arrive on this one.
    EXPECT_EQ(document->changes()->thread(), QThread::currentThread());
    QSignalSpy changed(document->changes(), &pdf::DocumentChanges::changed);
    document->page(1)->setRotation(90);
    EXPECT_EQ(changed.count(), 1);
    qDeleteAll(windows);

    // What is not a PDF is refused as before.
    QFile junk(folder() + "/junk.pdf");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a document");
    junk.close();
    DocumentPreloader refused(junk.fileName());
    ContentView* lone = VellumarkApp::makeWindow();
    const auto none = VellumarkApp::openFiles(lone, {junk.fileName()}, err, &refused);
    EXPECT_FALSE(lone->documentVM()->pdfDocument());
    EXPECT_TRUE(errors.contains("junk.pdf: not a readable PDF document")) << errors.toStdString();
    delete lone;
}

TEST(CommandLine, ReadingStartsFromTheArgumentsAsGiven) {
    // As main() starts it, before the application takes out its own options: the
    // program's name and a leading "--" are skipped; only the first file is read.
    const QString a = numberedFile("started.pdf", 3);
    const QString b = numberedFile("second.pdf", 2);
    const QString path = QFileInfo(a).absoluteFilePath();
    for (const QStringList& line :
         {QStringList{"vellumark", a, b}, QStringList{"vellumark", "--", a}}) {
        const auto started = VellumarkApp::startReading(line);
        EXPECT_FALSE(started->take(QFileInfo(b).absoluteFilePath()));
        const pdf::DocumentPtr document = started->take(path);
        ASSERT_TRUE(document);
        EXPECT_EQ(document->pageCount(), 3);
    }
    EXPECT_FALSE(VellumarkApp::startReading({"vellumark", "-platform", a})->take(path));
}

} // namespace
