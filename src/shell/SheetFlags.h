#pragma once
// The window's view flags: which sheet is up, and whether the search bar and the
// annotation toolbar show. Owned by the window and handed to the command handlers and
// the sheet presenter; each flag notifies its observers when it changes. The text
// recognition sheet's flag lives with the rest of its state in OCRViewModel.
#include <QObject>

class SheetFlags : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool showSearch READ showSearch WRITE setShowSearch NOTIFY showSearchChanged)
    Q_PROPERTY(bool showExport READ showExport WRITE setShowExport NOTIFY showExportChanged)
    Q_PROPERTY(bool showAnnotationToolbar READ showAnnotationToolbar WRITE setShowAnnotationToolbar
                   NOTIFY showAnnotationToolbarChanged)
    Q_PROPERTY(bool showDocumentCreation READ showDocumentCreation WRITE setShowDocumentCreation
                   NOTIFY showDocumentCreationChanged)
    Q_PROPERTY(
        bool showSignature READ showSignature WRITE setShowSignature NOTIFY showSignatureChanged)
    Q_PROPERTY(bool showPageManagement READ showPageManagement WRITE setShowPageManagement NOTIFY
                   showPageManagementChanged)
    Q_PROPERTY(bool showPasswordProtection READ showPasswordProtection WRITE
                   setShowPasswordProtection NOTIFY showPasswordProtectionChanged)
    Q_PROPERTY(
        bool showWatermark READ showWatermark WRITE setShowWatermark NOTIFY showWatermarkChanged)
    Q_PROPERTY(bool showCompare READ showCompare WRITE setShowCompare NOTIFY showCompareChanged)
    Q_PROPERTY(bool showReduceFileSize READ showReduceFileSize WRITE setShowReduceFileSize NOTIFY
                   showReduceFileSizeChanged)
    Q_PROPERTY(bool showFormFields READ showFormFields WRITE setShowFormFields NOTIFY
                   showFormFieldsChanged)
    Q_PROPERTY(bool showFindAndRedact READ showFindAndRedact WRITE setShowFindAndRedact NOTIFY
                   showFindAndRedactChanged)

public:
    explicit SheetFlags(QObject* parent = nullptr) : QObject(parent) {}

    bool showSearch() const { return showSearch_; }
    bool showExport() const { return showExport_; }
    bool showAnnotationToolbar() const { return showAnnotationToolbar_; }
    bool showDocumentCreation() const { return showDocumentCreation_; }
    bool showSignature() const { return showSignature_; }
    bool showPageManagement() const { return showPageManagement_; }
    bool showPasswordProtection() const { return showPasswordProtection_; }
    bool showWatermark() const { return showWatermark_; }
    bool showCompare() const { return showCompare_; }
    bool showReduceFileSize() const { return showReduceFileSize_; }
    bool showFormFields() const { return showFormFields_; }
    bool showFindAndRedact() const { return showFindAndRedact_; }

    void setShowSearch(bool on) {
        if (showSearch_ != on) {
            showSearch_ = on;
            emit showSearchChanged();
        }
    }
    void setShowExport(bool on) {
        if (showExport_ != on) {
            showExport_ = on;
            emit showExportChanged();
        }
    }
    void setShowAnnotationToolbar(bool on) {
        if (showAnnotationToolbar_ != on) {
            showAnnotationToolbar_ = on;
            emit showAnnotationToolbarChanged();
        }
    }
    void setShowDocumentCreation(bool on) {
        if (showDocumentCreation_ != on) {
            showDocumentCreation_ = on;
            emit showDocumentCreationChanged();
        }
    }
    void setShowSignature(bool on) {
        if (showSignature_ != on) {
            showSignature_ = on;
            emit showSignatureChanged();
        }
    }
    void setShowPageManagement(bool on) {
        if (showPageManagement_ != on) {
            showPageManagement_ = on;
            emit showPageManagementChanged();
        }
    }
    void setShowPasswordProtection(bool on) {
        if (showPasswordProtection_ != on) {
            showPasswordProtection_ = on;
            emit showPasswordProtectionChanged();
        }
    }
    void setShowWatermark(bool on) {
        if (showWatermark_ != on) {
            showWatermark_ = on;
            emit showWatermarkChanged();
        }
    }
    void setShowReduceFileSize(bool on) {
        if (showReduceFileSize_ != on) {
            showReduceFileSize_ = on;
            emit showReduceFileSizeChanged();
        }
    }
    void setShowCompare(bool on) {
        if (showCompare_ != on) {
            showCompare_ = on;
            emit showCompareChanged();
        }
    }
    void setShowFormFields(bool on) {
        if (showFormFields_ != on) {
            showFormFields_ = on;
            emit showFormFieldsChanged();
        }
    }

    void setShowFindAndRedact(bool on) {
        if (showFindAndRedact_ != on) {
            showFindAndRedact_ = on;
            emit showFindAndRedactChanged();
        }
    }

signals:
    void showSearchChanged();
    void showExportChanged();
    void showAnnotationToolbarChanged();
    void showDocumentCreationChanged();
    void showSignatureChanged();
    void showPageManagementChanged();
    void showPasswordProtectionChanged();
    void showWatermarkChanged();
    void showCompareChanged();
    void showReduceFileSizeChanged();
    void showFormFieldsChanged();
    void showFindAndRedactChanged();

private:
    bool showSearch_ = false;
    bool showExport_ = false;
    bool showAnnotationToolbar_ = false;
    bool showDocumentCreation_ = false;
    bool showSignature_ = false;
    bool showPageManagement_ = false;
    bool showPasswordProtection_ = false;
    bool showWatermark_ = false;
    bool showCompare_ = false;
    bool showReduceFileSize_ = false;
    bool showFormFields_ = false;
    bool showFindAndRedact_ = false;
};
