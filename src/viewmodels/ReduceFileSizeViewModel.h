#pragma once
// The "Reduce File Size" sheet's state: the file's size, what each level would make of it
// (estimated from a sample first, the real size once a copy is written), and its one
// action, writing a smaller copy where the user picks, off the main thread and cancellable.
// The open document and its file are never changed.
#include "pdf/writing/Optimize.h"

#include "base/Task.h"

#include <QObject>
#include <QString>

#include <array>

class DocumentViewModel;

class ReduceFileSizeViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(int level READ levelIndex WRITE setLevelIndex NOTIFY levelChanged)
    Q_PROPERTY(bool isEstimating READ isEstimating NOTIFY estimatesChanged)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY runningChanged)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusChanged)

public:
    static constexpr std::array<pdf::OptimizeLevel, 3> levels{
        pdf::OptimizeLevel::Lossless, pdf::OptimizeLevel::Balanced, pdf::OptimizeLevel::Small};

    explicit ReduceFileSizeViewModel(DocumentViewModel& documentVM, QObject* parent = nullptr);

    // The open document's file size; 0 without a file.
    qint64 inputBytes() const { return inputBytes_; }
    // The size a level would give: estimated (estimated() true) or, once written, real;
    // -1 while not known.
    qint64 size(pdf::OptimizeLevel level) const { return sizes_[index(level)]; }
    bool estimated(pdf::OptimizeLevel level) const { return !written_[index(level)]; }
    bool isEstimating() const { return isEstimating_; }

    int levelIndex() const { return levelIndex_; }
    void setLevelIndex(int index);
    pdf::OptimizeLevel level() const { return levels[size_t(levelIndex_)]; }

    // From reduce() until its outcome is in the status line.
    bool isRunning() const { return isRunning_; }
    int progress() const { return progress_; } // percent
    // Empty while there is no result line; isSuccess() tells a copy written from the rest.
    const QString& statusMessage() const { return statusMessage_; }
    bool isSuccess() const { return isSuccess_; }

    // What the save dialog proposes: report.pdf gives report_smaller.pdf.
    QString proposedFileName() const;

    // Starts the estimates (the sheet does, when it opens).
    void estimate();
    // Asks where to save and writes the copy at the chosen level.
    void reduce();
    // Stops a copy being written; nothing is left behind.
    void cancel();

signals:
    void levelChanged();
    void estimatesChanged();
    void runningChanged();
    void progressChanged();
    void statusChanged();

private:
    static size_t index(pdf::OptimizeLevel level) { return size_t(level); }
    void setStatus(const QString& message, bool success);
    void finished(const pdf::OptimizeReport& report, const QString& path);

    DocumentViewModel& documentVM_;
    qint64 inputBytes_ = 0;
    std::array<qint64, 3> sizes_{-1, -1, -1};
    std::array<bool, 3> written_{false, false, false};
    int levelIndex_ = 1; // balanced
    int progress_ = 0;
    QString statusMessage_;
    bool isSuccess_ = false;
    bool isEstimating_ = false;
    bool isRunning_ = false;
    base::Task estimating_;
    base::Task writing_;
};
