#pragma once
// What a document says about itself beyond its information entries: version, page
// sizes, protection, structure and the fonts its pages use.
#include <QSizeF>
#include <QString>

#include <vector>

namespace pdf {

class Document;

struct FontUse {
    QString name{}; // without a subset's tag
    QString type{}; // "Type 1", "TrueType", "Type 3", "Type 0 (CID TrueType)", ...
    bool embedded = false;
    bool subset = false;
};

struct PageSizeUse {
    QSizeF size{}; // as shown, in points, rounded to a tenth
    int pages = 0;
};

struct DocumentProperties {
    QString version{}; // "1.7"
    int pageCount = 0;
    std::vector<PageSizeUse> pageSizes{}; // in order of first use
    bool encrypted = false;
    QString encryption{}; // the method in words, empty without encryption
    bool mayPrint = true, mayCopy = true, mayModify = true, mayAnnotate = true, mayFillForms = true,
         mayAssemble = true;
    bool tagged = false;
    bool linearized = false;
    int signatures = 0;
    std::vector<FontUse> fonts{}; // sorted by name
    bool fontsCut = false;        // the walk stopped at its bound: there may be more
};

// Fonts are looked for in every page's resources and the forms they draw, each resource
// dictionary once, at most kMaxFontLookups of them.
constexpr int kMaxFontLookups = 100000;

// Partly filled (version, pages) for a locked document.
DocumentProperties describe(const Document& document);

} // namespace pdf
