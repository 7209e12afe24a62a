#pragma once
// Builds small PDFs for tests, byte by byte, so the fixtures do not depend on the code
// under test.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace fixtures {

// A PDF assembled from numbered objects; object 1 is the catalog.
class MiniPdf {
public:
    int add(const QByteArray& body); // returns the object number
    int addStream(const QByteArray& dict, const QByteArray& data);
    void set(int number, const QByteArray& body);
    int reserve();
    QByteArray build(int catalog, const QByteArray& extraTrailer = {}) const;

private:
    std::vector<QByteArray> objects_;
};

// Escapes text for a PDF literal string (Latin-1 only).
QByteArray pdfString(const QString& text);

// One page per entry; each page's lines are drawn top-down in 12 pt Helvetica starting at
// (72, 720), 16 pt apart. Page size in points.
QByteArray textPdf(const std::vector<QStringList>& pages, double width = 612, double height = 792);
// `count` pages whose text is "Page N" followed by the given line.
QByteArray numberedPdf(int count, const QString& line = QStringLiteral("The quick brown fox"));

// A form: page 1 holds a text field "name", a check box "agree", a radio group "choice"
// (buttons "a" and "b", "a" on), a choice field "colour" (Red, Green, Blue) and a signature
// field "sig"; page 2 holds a text field "city".
QByteArray formPdf();

// Five 612 x 792 pages ("Page N"). Page 1 holds three links, each a 200 x 30 box whose
// bottom-left corner is at (72, 600), (72, 500) and (72, 400): to page 4 with its top at
// y = 500, to the named destination "chapter2" (page 3, top at y = 400), and to
// https://example.org/guide. The outline: "Part I" (page 1, open) > "Chapter 1" (page 2,
// top at y = 700) > "Section 1.1" (page 3); "Part II" (named "chapter2"); "Website" (the
// address). With `loop`, "Website" names "Part I" as its next sibling.
QByteArray navigationPdf(bool loop = false);

// Damaged files.
QByteArray truncatedPdf();  // the first third of a valid file
QByteArray garbageBytes();  // random bytes without a PDF header
QByteArray brokenXrefPdf(); // a valid body with a wrong xref table and startxref

// Writes bytes to a file; returns the path.
QString writeTemp(const QString& dir, const QString& name, const QByteArray& bytes);

// Runs a program and returns its standard output; exitCode receives the exit status.
QByteArray runTool(const QString& program, const QStringList& args, int* exitCode = nullptr,
                   QByteArray* errorOutput = nullptr);
bool toolAvailable(const QString& program);

} // namespace fixtures
