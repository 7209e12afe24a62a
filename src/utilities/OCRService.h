#pragma once
// Text recognition of scanned pages with Tesseract's LSTM engine. Stateless: every call
// makes its own engine, so calls on different threads never share one.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextLayer.h"

#include "base/CancelToken.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

class OCRService {
public:
    enum class RecognitionLevel { accurate, fast };

    class OCRError : public std::runtime_error {
    public:
        // `cancelled` ends a run that was stopped through its cancel token; nobody shows it.
        enum class Kind { recognitionFailed, noPage, renderFailed, cancelled, layerFailed };

        static OCRError recognitionFailed(const QString& underlying);
        static OCRError noPage();
        static OCRError renderFailed();
        static OCRError cancelled();
        static OCRError layerFailed(int pageNumber);

        Kind kind() const { return kind_; }
        QString message() const { return QString::fromUtf8(what()); }

    private:
        OCRError(Kind kind, const QString& message);
        Kind kind_;
    };

    using ProgressHandler = std::function<void(int current, int total)>;

    // What a searchable run read on one page: the words where they stand, for the text
    // layer, and the same text as lines.
    struct PageRecognition {
        pdf::PagePtr page;
        int index = 0;
        std::vector<pdf::TextLayerLine> lines;
        QString text;
    };

    struct SearchableOptions {
        // Tesseract models ("eng", "deu", or "eng+deu" in one entry) or language codes.
        QStringList languages{QStringLiteral("eng")};
        bool force = false; // also pages that have text of their own (a layer of ours is replaced)
        int jobs = 0;       // threads; 0: as many as the cores allow
        ProgressHandler progressHandler; // (pages done, pages to read), from any thread
        const base::CancelToken* cancel = nullptr;
    };

    struct SearchableRun {
        std::vector<PageRecognition> pages; // in page order
        int pagesWithText = 0;              // left alone because they have text already
    };

    OCRService() = delete;

    // Reads every page that has no text (every page with `force`), one Tesseract engine per
    // thread. The document is not changed. Throws OCRError (cancelled when stopped).
    static SearchableRun recognizeForTextLayer(const pdf::DocumentPtr& document,
                                               const SearchableOptions& options);
    // Puts each page's words on it as an invisible text layer; pages where nothing was read
    // are left out. Returns the number of pages that got a layer. Throws layerFailed.
    static int addTextLayers(const SearchableRun& run);
    // The run's text as "--- Page N ---" sections.
    static QString searchableText(const SearchableRun& run);

    // Tesseract models installed (file names without .traineddata), sorted; the
    // orientation model is not a language and is left out.
    static QStringList installedLanguages();
    // "English (eng)"; the bare model name for models without a known name.
    static QString languageDisplayName(const QString& model);

    // The recognised lines of `page` in reading order, joined with single line feeds;
    // empty when nothing was recognised.
    static QString recognizeText(const pdf::PagePtr& page, const QStringList& languages,
                                 RecognitionLevel recognitionLevel,
                                 const base::CancelToken* cancel = nullptr);

    // Every page in turn: progressHandler(i + 1, pageCount) before page i is read. Only pages
    // with text get an entry. Pages removed from the document during the run are skipped.
    static std::map<int, QString>
    recognizeText(const pdf::DocumentPtr& document, const QStringList& languages,
                  const ProgressHandler& progressHandler = {},
                  const base::CancelToken* cancel = nullptr,
                  RecognitionLevel recognitionLevel = RecognitionLevel::accurate);

    // An image already rendered at `pixelsPerInch`.
    static QString recognizeText(const QImage& image, int pixelsPerInch,
                                 const QStringList& languages, RecognitionLevel recognitionLevel,
                                 const base::CancelToken* cancel = nullptr);

    // "--- Page N ---" sections in page order, separated by a blank line.
    static QString sectionedText(const std::map<int, QString>& pages);

    // Render scale (1 = 72 dpi) used for a level.
    static double renderScale(RecognitionLevel recognitionLevel);

    // Where the language models are looked for: TESSDATA_PREFIX, else the packaged folder.
    static QString tessdataPath();

private:
    static QImage renderPageToImage(const pdf::PagePtr& page, double scale);
};
