#pragma once

#include <QList>
#include <QWidget>

namespace Ui {
class ResultPage;
}

class ButtonHoverSimple;
class QAbstractButton;
class QComboBox;
class QLabel;
class QTableView;
class QToolButton;
class ResultOutlineView;

// Page "4": the results, with the category bar, the outline of groups and
// sets, the selected set's files, the preview and properties, the marked
// totals and the commands on the marked files.
class ResultPage : public QWidget
{
    Q_OBJECT
public:
    explicit ResultPage(QWidget* parent = nullptr);
    ~ResultPage() override;

    ResultOutlineView* outlineView() const;
    QTableView* fileTable() const;
    QLabel* preview() const;
    QLabel* properties() const;
    // All, Images, Videos, Audio, Documents, Others, in this order.
    QList<QAbstractButton*> categoryButtons() const;
    ButtonHoverSimple* homeButton() const;
    QAbstractButton* markAllButton() const;
    QAbstractButton* unmarkAllButton() const;
    QAbstractButton* markByRuleButton() const;
    QAbstractButton* saveResultsButton() const;
    QAbstractButton* exceptionButton() const;
    QAbstractButton* deleteButton() const;
    QComboBox* sortPopup() const;
    QToolButton* ascendingButton() const;

    void setPathText(const QString& text);
    void setSummaryText(const QString& text);
    void setMarkedTexts(const QString& count, const QString& size);
    void setDeleteEnabled(bool enabled);
    // While a deletion runs: no way home, no commands, no file table.
    void setDeleting(bool deleting);

Q_SIGNALS:
    void homeClicked();
    // `category` indexes categoryButtons().
    void categoryClicked(int category);
    void markAllClicked();
    void unmarkAllClicked();
    void addExceptionsClicked();
    void deleteClicked();

private:
    Ui::ResultPage* m_ui;
};
