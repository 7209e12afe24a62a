#pragma once
// Shown in the page view over a locked document: a password field and an unlock button.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

class PasswordPromptWidget : public QWidget {
    Q_OBJECT
public:
    explicit PasswordPromptWidget(QWidget* parent = nullptr);

    QLineEdit* passwordField() const { return field_; }
    QPushButton* unlockButton() const { return button_; }
    QString message() const;
    // Clears the field and shows that the last password was wrong.
    void showRejected();
    void reset();
    // The width the card takes where the view has room: its title on one line, its field
    // at least 220 px wide.
    int preferredWidth() const;

signals:
    void unlockRequested(const QString& password);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* title_;
    QLineEdit* field_;
    QPushButton* button_;
    QLabel* message_;
};
