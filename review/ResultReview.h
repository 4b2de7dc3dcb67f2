#pragma once

#include "scan/ScanResults.h"

#include <QString>
#include <optional>

// Which trees the results page shows and which summaries it has shown: the
// category on screen, the tree for it, and the once-per-scan information
// texts. No widgets; the window asks and shows what comes back.
class ResultReview
{
public:
    enum class Category
    {
        None,
        All,
        Images,
        Videos,
        Audio,
        Documents,
        Others
    };

    // What the information window is to show.
    struct Information
    {
        QString header;
        QString first;
        QString second;
        QString third;
        QString image;
        QString buttonTitle;
    };

    // Where the page goes once the information window is dismissed.
    enum class Route
    {
        Stay,
        GoHome,
        ShowAll
    };

    // The figures of a tree, summed afresh over its groups: the results
    // line and the information window both read them, so they always agree.
    struct Totals
    {
        quint64 sets = 0;
        quint64 groups = 0;
        quint64 files = 0; // redundant copies
        quint64 bytes = 0;
    };
    static Totals totalsOf(const ModalPtr& modal);
    Totals totalsOnScreen() const { return totalsOf(m_modal); }

    // A finished scan: its combined tree is shown under All.
    void setResults(const ScanResults& results);
    // Home clean-up: no trees, no category, every summary may show again.
    void clear();

    const ModalPtr& modal() const { return m_modal; }
    const ScanResults& results() const { return m_results; }
    Category category() const { return m_category; }
    ModalPtr treeOf(Category category) const;

    // A category command: the category's tree becomes the one on screen.
    // Returns the category's no-duplicates message when that tree is empty.
    std::optional<Information> selectCategory(Category category);
    // The summary of the category on screen, once per category and scan.
    std::optional<Information> showInformationWindowAccordingTab();
    Route routeAfterInformation() const;

    bool summaryShown(Category category) const;

private:
    ScanResults m_results;
    ModalPtr m_modal;
    Category m_category = Category::None;
    unsigned m_summaryShown = 0; // one bit per Category value
};
