#pragma once
// Redaction of a document: marks made from areas as the page is shown or from what Find and
// Redact finds, applied so that what lies under them is gone from the written file, which
// is a new file written whole: no earlier revision, no unused object, no thumbnail.
#include "pdf/annotations/Redaction.h"
#include "pdf/document/Document.h"
#include "utilities/RedactionMatcher.h"

#include <QRectF>
#include <QString>

#include <stdexcept>
#include <vector>

class RedactionService {
public:
    class RedactionError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // One match of Find and Redact: its page and its box on each line it covers.
    struct Match {
        int page = 0;
        QString text;
        std::vector<QRectF> areas; // PDF user space
    };

    // The name offered for the redacted copy: "NAME.pdf" becomes "NAME_redacted.pdf".
    static QString redactedFileName(const QString& fileName);

    // Every match of `matcher` in the pages' text, in page order. Throws
    // RedactionMatcher::PatternError when an expression runs away.
    static std::vector<Match> findMatches(const pdf::Document& document,
                                          const RedactionMatcher& matcher);
    // One mark per match; returns the marks made.
    static std::vector<pdf::AnnotationPtr> markMatches(pdf::Document& document,
                                                       const std::vector<Match>& matches,
                                                       const pdf::RedactionStyle& style);
    // A mark over `shown`: points from the top-left corner of page `pageIndex` as it is
    // shown (its /Rotate applied). Throws RedactionError for a page that does not exist or
    // an area that does not meet the page.
    static pdf::AnnotationPtr markShownArea(pdf::Document& document, int pageIndex,
                                            const QRectF& shown, const pdf::RedactionStyle& style);
    // Redact annotations the document holds (made here or by another program).
    static int markCount(const pdf::Document& document);

    struct Report {
        std::vector<pdf::PageRedaction> pages;
        pdf::ScrubCounts elsewhere;
        int marks() const;
    };

    // Applies every mark and, with a matcher, replaces its matches outside the pages (by
    // `style.overlayText`, or "[redacted]"); then reads the pages again and refuses when a
    // match is still there. Throws RedactionError; the document is then half changed and
    // must not be written.
    static Report applyRedactions(pdf::Document& document, const RedactionMatcher* matcher,
                                  const pdf::RedactionStyle& style);

    // The one way a redacted document reaches a file: written whole to `path` (atomically),
    // unreferenced objects collected, the input's own protection kept. Throws RedactionError.
    static void writeRedactedCopy(const pdf::Document& document, const QString& path);

    RedactionService() = delete;
};
