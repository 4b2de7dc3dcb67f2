#pragma once

#include "review/KeepRule.h"
#include "review/MarkingRules.h"
#include "review/ResultReview.h"

#include <QImage>
#include <QObject>
#include <functional>

class InformationWindow;
class MainWindow;
class PreviewLoader;
class QMenu;
class QModelIndex;
class QAbstractButton;
class ResultOutlineModel;
class ResultPage;
class ResultStore;
class SetFilesModel;

// The results page: the category bar, the outline of groups and sets, the
// selected set's files, the preview and properties, the information window's
// summaries, and the marking commands with the buttons that follow them.
class ReviewController : public QObject
{
    Q_OBJECT
public:
    using Category = ResultReview::Category;

    ReviewController(MainWindow* window, InformationWindow* information, std::function<bool()> exactMode,
                     QObject* parent = nullptr);

    const ResultReview& review() const;
    ResultStore* store() const { return m_store; }
    const ModalPtr& modal() const;
    ResultOutlineModel* outlineModel() const { return m_outline; }
    SetFilesModel* filesModel() const { return m_files; }
    PreviewLoader* previewLoader() const { return m_preview; }
    QMenu* outlineMenu() const { return m_menu; }

    // A finished scan: its trees go on screen under All.
    void showResults(const ScanResults& results);
    void showDuplicateScanResult(bool flag);
    void homeCleanup();

    // Category bar.
    void allClicked();
    void imageClicked();
    void videoClicked();
    void audioClicked();
    void docsClicked();
    void otherClicked();
    void showInformationWindowAccordingTab();
    void setInformationWindow(const ResultReview::Information& information);
    void okInformationWindow();
    void showLoading();
    void removeLoading();

    // Outline, file table and preview.
    void outlineViewSelectionDidChange();
    void tableViewSelectionDidChange();
    void doubleClick(const QModelIndex& index);
    void showSelectedFile(const QByteArray& path);
    ExtensionsPtr selectedExtension() const;
    SetPtr selectedSet() const;
    // The file of the table's current row, else the set's first file in display order.
    FilePtr selectedFile() const;

    // The reference locations of the scan on screen: no command marks a file inside one.
    void setReferences(const ReferenceRoots& references);
    const ReferenceRoots& references() const { return m_references; }
    // A keep rule on the whole tree (group and set empty), one group or one set.
    void applyRule(const KeepRule& rule, const ExtensionsPtr& group = {}, const SetPtr& set = {});

    // Marking.
    void markAllClicked();
    void unMarkAllClicked();
    void collectionViewCheckButtonCLicked(qint64 row);
    void setMarkedFilesDetails();
    void enableNecessaryButton();

    // Sorting of the set's files.
    void popupButtonClicked();
    void asscendingDescendingClicked();

    // The outline's context menu.
    void righClickMenuItemClicked(int tag);
    void markUnmarkSelectedOutlineImage(bool mark);
    void openSelectedImageOfOutlineView(bool inFolder);
    void markAllSelectedSet();
    void unMarkAllSelectedSet();
    void getInfo();

Q_SIGNALS:
    // The page wants the home page (an empty result was acknowledged).
    void goHomeRequested();
    // A file or folder should be opened with its default application.
    void openRequested(const QByteArray& path);
    // The marks or the tree on screen changed.
    void marksChanged();
    // The file table's refusal and the other messages of the page (tests read them).
    void informationShown(const QString& first);
    // The outline's context menu is about to open for a group (set empty) or a set.
    void contextMenuAboutToShow(QMenu* menu, const ExtensionsPtr& group, const SetPtr& set);

protected:
    // Refits the preview when the window resizes its label.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPlaceholder();
    void selectCategory(Category category);
    void applySortControls();
    void showContextMenu(const QPoint& position);
    // The group's and the set's rows of the selected set; false when none.
    bool selectedRows(int* group, int* set) const;
    // The tree's counters changed: the marked-files summary, the buttons and
    // the results line follow.
    void followTotals();
    // Files left the set on show: a selection that went with them moves to the first row.
    void followRemoval();
    // Every file that may be marked is (references stay unmarked).
    bool setFullyMarked(const Set& set) const;
    // The line under the table: sets, groups, copies and their size.
    void updateSummary();
    QAbstractButton* categoryButton(Category category) const;
    static void styleCategoryButton(QAbstractButton* button, bool current);

    MainWindow* m_window;
    ResultPage* m_page;
    InformationWindow* m_information;
    std::function<bool()> m_exactMode;
    ResultStore* m_store;
    ResultOutlineModel* m_outline;
    SetFilesModel* m_files;
    PreviewLoader* m_preview;
    // The picture on show, kept so a resized preview is fitted again.
    QImage m_previewThumbnail;
    QMenu* m_menu;
    QString m_sorting = QStringLiteral("size");
    ReferenceRoots m_references;
};
