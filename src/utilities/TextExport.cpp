#include "utilities/TextExport.h"

#include "pdf/TextPage.h"

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

} // namespace TextExport
