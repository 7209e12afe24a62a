#pragma once
// Text recognition of scanned pages with Tesseract's LSTM engine. Stateless: every call
// makes its own engine, so calls on different threads never share one.
#include "pdf/Document.h"
#include "pdf/Page.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <map>
#include <stdexcept>

class OCRService {
public:
    enum class RecognitionLevel { accurate, fast };

    class OCRError : public std::runtime_error {
    public:
        // `cancelled` ends a run that was stopped through its cancel flag; nobody shows it.
        enum class Kind { recognitionFailed, noPage, renderFailed, cancelled };

        static OCRError recognitionFailed(const QString& underlying);
        static OCRError noPage();
        static OCRError renderFailed();
        static OCRError cancelled();

        Kind kind() const { return kind_; }
        QString message() const { return QString::fromUtf8(what()); }

    private:
        OCRError(Kind kind, const QString& message);
        Kind kind_;
    };

    using ProgressHandler = std::function<void(int current, int total)>;
    // Set from another thread to stop a run soon (also in the middle of a page).
    using CancelFlag = std::atomic<bool>;

    OCRService() = delete;

    // The recognised lines of `page` in reading order, joined with single line feeds;
    // empty when nothing was recognised.
    static QString recognizeText(const pdf::PagePtr& page, const QStringList& languages,
                                 RecognitionLevel recognitionLevel,
                                 const CancelFlag* cancel = nullptr);

    // Every page in turn: progressHandler(i + 1, pageCount) before page i is read. Only pages
    // with text get an entry. Pages removed from the document during the run are skipped.
    static std::map<int, QString>
    recognizeText(const pdf::DocumentPtr& document, const QStringList& languages,
                  const ProgressHandler& progressHandler = {}, const CancelFlag* cancel = nullptr,
                  RecognitionLevel recognitionLevel = RecognitionLevel::accurate);

    // An image already rendered at `pixelsPerInch`.
    static QString recognizeText(const QImage& image, int pixelsPerInch,
                                 const QStringList& languages, RecognitionLevel recognitionLevel,
                                 const CancelFlag* cancel = nullptr);

    // "--- Page N ---" sections in page order, separated by a blank line.
    static QString sectionedText(const std::map<int, QString>& pages);

    // Render scale (1 = 72 dpi) used for a level.
    static double renderScale(RecognitionLevel recognitionLevel);

    // Where the language models are looked for: TESSDATA_PREFIX, else the packaged folder.
    static QString tessdataPath();

private:
    static QImage renderPageToImage(const pdf::PagePtr& page, double scale);
};
