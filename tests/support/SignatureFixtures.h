#pragma once
// Fixtures for the signature tests: a small text PDF, a drawn signature image, and a
// way to run a program with extra environment (the command-line tool with its own key store).
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace sigfix {

// A US Letter PDF with one page per entry, each showing its text (Latin-1).
QByteArray letterPdf(const QStringList& pageTexts = {"Hello signatures"});

// A transparent image with a black scribble, as the signature pad delivers it.
QImage scribble(int width = 300, int height = 120);

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a program to completion; extra environment entries as "NAME=value".
ProcessResult runProgram(const QString& program, const QStringList& args,
                         const QStringList& environment = {});

} // namespace sigfix
