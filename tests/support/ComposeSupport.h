#pragma once
// Helpers for the tests of composed documents: fixture images, files, and the
// output of other readers (poppler-utils, qpdf) run on what we wrote.
#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>

namespace compose_test {

// An encoded 72-dpi image of the given pixel size filled with one colour ("PNG", "JPEG", "BMP",
// "TIFF").
QByteArray encodedImage(int width, int height, const QColor& color, const char* format = "PNG");

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};
// Runs a program to completion; exitCode -1 when it could not start.
ToolResult runTool(const QString& program, const QStringList& arguments);

// Writes bytes to a file; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace compose_test
