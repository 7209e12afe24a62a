#pragma once
// Runs the built vellumark-cli in a temporary folder of its own.
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fixtures {

class CliFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    int code = -1;  // exit status of the last run
    QByteArray err; // its standard error
    // Standard output of `vellumark-cli args...`.
    QString cli(const QStringList& args) {
        return QString::fromUtf8(runTool(VELLUMARK_BINARY_DIR "/vellumark-cli", args, &code, &err));
    }
    // Writes `bytes` into the folder; returns the path.
    QString file(const QString& name, const QByteArray& bytes) {
        return writeTemp(dir.path(), name, bytes);
    }
};

} // namespace fixtures
