#pragma once
// What the reader remembers between runs, kept with the preferences like bookmarks: where
// each file was left (page, zoom, layout) and the files opened last.
#include "viewmodels/PageViewInterface.h"

#include <QString>
#include <QStringList>

#include <optional>

struct ReadingPlace {
    int page = 0;
    double scale = 1.0;
    bool autoScales = true;
    PDFDisplayMode mode = PDFDisplayMode::singlePageContinuous;
    bool operator==(const ReadingPlace&) const = default;
};

namespace ReadingHistory {
constexpr int kRecentLimit = 10;

void rememberPlace(const QString& path, const ReadingPlace& place);
std::optional<ReadingPlace> place(const QString& path);

// Puts `path` first among the recent files, at most kRecentLimit kept.
void addRecent(const QString& path);
// Newest first; files that no longer exist are left out.
QStringList recentFiles();
void clearRecent();
} // namespace ReadingHistory
