#pragma once
// A grid whose column count follows its width: as many columns of at least
// `minimumColumnWidth` as fit, items in reading order.
#include <QWidget>

class QGridLayout;

class AdaptiveGrid : public QWidget {
    Q_OBJECT
public:
    AdaptiveGrid(int minimumColumnWidth, int spacing, QWidget* parent = nullptr);

    void addItem(QWidget* item);
    int columnCount() const { return columns_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange(int width);

    int minimumColumnWidth_;
    int spacing_;
    int columns_ = 0;
    QList<QWidget*> items_;
    QGridLayout* grid_;
};
