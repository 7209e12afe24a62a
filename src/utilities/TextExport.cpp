#include "utilities/TextExport.h"

#include "pdf/text/TextPage.h"

namespace TextExport {

QString join(const std::vector<std::optional<QString>>& pages) {
    QString out;
    qsizetype size = 0;
    for (const auto& page : pages)
        size += page ? page->size() + 32 : 0;
    out.reserve(size);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (!pages[i])
            continue;
        if (!out.isEmpty())
            out += QStringLiteral("\n\n--- Page %1 ---\n\n").arg(i + 1);
        out += *pages[i];
    }
    return out;
}

QString documentText(const pdf::Document& document) {
    const auto texts = document.textPages();
    std::vector<std::optional<QString>> pages(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i] && !texts[i]->isEmpty())
            pages[i] = texts[i]->text();
    return join(pages);
}

bool streamDocumentText(const pdf::Document& document,
                        const std::function<bool(const QString&)>& sink) {
    bool wroteAny = false, complete = true;
    document.forEachTextPage([&](int index, const pdf::TextPage* text) {
        if (!text)
            return true;
        QString piece = text->text();
        if (wroteAny)
            piece.prepend(QStringLiteral("\n\n--- Page %1 ---\n\n").arg(index + 1));
        // As join(): the separator goes before every page once anything was written.
        wroteAny = wroteAny || !piece.isEmpty();
        if (piece.isEmpty() || sink(piece))
            return true;
        complete = false;
        return false;
    });
    return complete;
}

} // namespace TextExport
