// The window as a screen reader meets it: through the AT-SPI bus, under a virtual display,
// with the real program. Skips only when the accessibility bus cannot start here.
#include "support/PdfFixtures.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(ScreenReader, ReadsThePageTextNamesEveryToolbarButtonAndTabsThroughASheet) {
    for (const char* tool : {"dbus-run-session", "xvfb-run"})
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty())
            << tool << " is needed (scripts/packages.txt)";
    QTemporaryDir dir;
    const QString pdf =
        writeTemp(dir.path(), "read.pdf",
                  textPdf({{"Quarterly report for the board", "Second line"}, {"Page two"}}));
    QProcess run;
    run.setProcessChannelMode(QProcess::SeparateChannels);
    // A display number of its own: other test runs on the machine start from 99 as well.
    const QString display = QString::number(200 + QCoreApplication::applicationPid() % 700);
    run.start("dbus-run-session",
              {"--", "xvfb-run", "-a", "-n", display, "-s", "-screen 0 1280x800x24",
               "/usr/bin/python3", VELLUMARK_SOURCE_DIR "/tests/app/screen_reader.py",
               VELLUMARK_BINARY_DIR "/vellumark", pdf});
    ASSERT_TRUE(run.waitForFinished(180000));
    const QByteArray errors = run.readAllStandardError();
    if (run.exitCode() == 77)
        GTEST_SKIP() << "the AT-SPI bus cannot start here: " << errors.toStdString();
    ASSERT_EQ(run.exitCode(), 0) << errors.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.readAllStandardOutput()).object();

    EXPECT_EQ(report["firstLine"].toString(), "Quarterly report for the board");

    QSet<QString> toolbar;
    for (const QJsonValue& name : report["toolbar"].toArray()) {
        EXPECT_FALSE(name.toString().trimmed().isEmpty()) << "a toolbar button without a name";
        toolbar << name.toString();
    }
    for (const char* expected : {"Open", "Previous", "Next", "Zoom In", "Zoom Out", "Search"})
        EXPECT_TRUE(toolbar.contains(expected)) << expected;

    // Tab alone goes round the sheet: several controls, each named, and back to the start.
    const QJsonArray walk = report["tabWalk"].toArray();
    ASSERT_FALSE(walk.isEmpty()) << "the export sheet did not open from the keyboard";
    QStringList names;
    for (const QJsonValue& step : walk) {
        const QString name = step.toObject()["name"].toString();
        EXPECT_FALSE(name.isEmpty()) << "Tab reached a control without a name, or none";
        names << name;
    }
    EXPECT_GE(QSet<QString>(names.begin(), names.end()).size(), 3)
        << names.join(", ").toStdString();
    EXPECT_GT(names.lastIndexOf(names.first()), 0) << "Tab never came back round";
}

} // namespace
