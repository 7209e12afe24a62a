// Help > About: the version, the licence with its warranty disclaimer, and a licence for
// every library the programs link.
#include "app/AboutDialog.h"
#include "app/VellumarkApp.h"
#include "shell/ContentView.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

QAction* aboutItem(ContentView& window) {
    for (QAction* top : window.menuBar()->actions())
        if (top->menu() && top->text() == "&Help")
            for (QAction* a : top->menu()->actions())
                if (a->text() == "About Brivel PDF")
                    return a;
    return nullptr;
}

// The shared libraries `program` names as needed, by file name.
QStringList neededLibraries(const QString& program) {
    QProcess readelf;
    readelf.start("readelf", {"-d", program});
    if (!readelf.waitForFinished(20000) || readelf.exitCode() != 0)
        return {};
    QStringList names;
    const QRegularExpression needed(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
    for (const auto& match : needed.globalMatch(QString::fromUtf8(readelf.readAllStandardOutput())))
        names << match.captured(1);
    return names;
}

} // namespace

TEST(AboutDialog, HelpAboutShowsVersionLicenceAndLibrariesOncePerWindow) {
    std::unique_ptr<ContentView> window(VellumarkApp::makeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QAction* about = aboutItem(*window);
    ASSERT_TRUE(about);
    about->trigger();
    about->trigger(); // the open dialog comes forward; no second one
    const auto dialogs = window->findChildren<AboutDialog*>();
    ASSERT_EQ(dialogs.size(), 1);
    AboutDialog* dialog = dialogs.first();
    EXPECT_TRUE(dialog->isVisible());

    QString text;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        text += label->text() + "\n";
    EXPECT_TRUE(text.contains("Version " + VellumarkApp::version())) << text.toStdString();
    EXPECT_TRUE(text.contains("AGPL-3.0-or-later"));
    EXPECT_TRUE(text.contains("ABSOLUTELY NO WARRANTY"));
    EXPECT_TRUE(text.contains("https://www.gnu.org/licenses/agpl-3.0.html"));

    auto* table = dialog->findChild<QTreeWidget*>("libraries");
    ASSERT_TRUE(table);
    ASSERT_EQ(table->topLevelItemCount(), AboutDialog::libraries().size());
    for (int row = 0; row < table->topLevelItemCount(); ++row) {
        EXPECT_FALSE(table->topLevelItem(row)->text(0).isEmpty());
        EXPECT_FALSE(table->topLevelItem(row)->text(1).isEmpty()) << row;
    }
    dialog->reject();
    QTest::qWait(0);
    EXPECT_TRUE(window->findChildren<AboutDialog*>().isEmpty()); // gone with its closing
}

TEST(AboutDialog, EveryLibraryTheProgramsLinkIsNamed) {
    // File-name prefixes of what the programs link, and the name About gives each; the C
    // and C++ runtimes and the OpenGL dispatch (which Qt asks for and the linker drops
    // unless sanitizers keep it) come with the system, the sanitizers' runtimes only with a
    // checking build: those are not listed.
    const QList<QPair<QString, QString>> known{
        {"libQt6", "Qt 6"},
        {"libcrypto.", "OpenSSL 3"},
        {"libssl.", "OpenSSL 3"},
        {"libdeflate.", "libdeflate"},
        {"libpcre2-", "PCRE2"},
        {"libfreetype.", "FreeType"},
        {"libharfbuzz.", "HarfBuzz"},
        {"libopenjp2.", "OpenJPEG"},
        {"libjbig2dec.", "jbig2dec"},
        {"libjpeg.", "libjpeg-turbo"},
        {"libmujs.", "MuJS"},
        {"libgumbo.", "Gumbo"},
        {"libz.", "zlib"},
    };
    const QStringList system{"libc.",  "libm.",   "libstdc++.", "libgcc_s.", "ld-linux",
                             "libGL.", "libGLX.", "libOpenGL.", "libasan.",  "libubsan."};
    QStringList named;
    for (const AboutDialog::Library& library : AboutDialog::libraries())
        named << library.name;

    int checked = 0;
    for (const char* program : {"vellumark", "vellumark-cli"}) {
        const QString path = QStringLiteral(VELLUMARK_BINARY_DIR "/") + program;
        if (!QFile::exists(path))
            continue;
        const QStringList needed = neededLibraries(path);
        EXPECT_FALSE(needed.isEmpty()) << program;
        for (const QString& file : needed) {
            if (std::any_of(system.begin(), system.end(),
                            [&](const QString& prefix) { return file.startsWith(prefix); }))
                continue;
            const auto it = std::find_if(known.begin(), known.end(),
                                         [&](const auto& k) { return file.startsWith(k.first); });
            if (it == known.end()) {
                ADD_FAILURE() << program << " links " << file.toStdString()
                              << ", which Help > About does not name";
                continue;
            }
            EXPECT_TRUE(std::any_of(named.begin(), named.end(), [&](const QString& n) {
                return n.startsWith(it->second);
            })) << it->second.toStdString();
            ++checked;
        }
    }
    if (checked == 0)
        GTEST_SKIP() << "neither program is built";
    // The engine is linked statically: no file to find, but it is what sets the licence.
    EXPECT_EQ(AboutDialog::libraries().first().licence, "AGPL-3.0-or-later");
}
