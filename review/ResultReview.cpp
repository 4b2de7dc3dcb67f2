#include "review/ResultReview.h"

#include "scan/Formatting.h"

namespace {

struct CategoryTexts
{
    ResultReview::Category category;
    const char* emptyMessage;
    const char* image;
    const char* summaryLine;
};

// The order is the order summaries are looked for in.
const CategoryTexts Texts[] = {
    {ResultReview::Category::Images, "No Image Duplicates Found", "image_info", "Image Duplicates: %1"},
    {ResultReview::Category::Audio, "No Audio Duplicates Found", "Audio_info", "Audio Duplicates: %1"},
    {ResultReview::Category::Videos, "No Video Duplicates Found", "video_info", "Video Duplicates: %1"},
    {ResultReview::Category::Documents, "No Documents Duplicates Found", "document_info",
     "Documents Duplicates: %1"},
    {ResultReview::Category::Others, "No Other Duplicates Found", "other_info", "Other Duplicates: %1"},
};

const CategoryTexts* textsOf(ResultReview::Category category)
{
    for (const CategoryTexts& t : Texts) {
        if (t.category == category) {
            return &t;
        }
    }
    return nullptr;
}

unsigned bitOf(ResultReview::Category category)
{
    return 1u << static_cast<unsigned>(category);
}

quint64 totalFilesOf(const ModalPtr& modal)
{
    return ResultReview::totalsOf(modal).files;
}

} // namespace

ResultReview::Totals ResultReview::totalsOf(const ModalPtr& modal)
{
    Totals totals;
    if (!modal) {
        return totals;
    }
    // The root's own counters may lag behind its groups (a combined root is
    // a sum taken when it was made); the groups are always current.
    modal->calculateTotalFilesAndSize();
    totals.files = modal->totalFiles();
    totals.bytes = modal->totalFilesSize();
    totals.groups = quint64(modal->extensionCount());
    for (const ExtensionsPtr& group : modal->extensions()) {
        totals.sets += group->nummberOfSets();
    }
    return totals;
}

void ResultReview::setResults(const ScanResults& results)
{
    m_results = results;
    m_modal = results.modal ? results.modal : Modal::create();
    m_category = Category::All;
}

void ResultReview::clear()
{
    m_results = {};
    m_modal = Modal::create();
    m_category = Category::None;
    m_summaryShown = 0;
}

ModalPtr ResultReview::treeOf(Category category) const
{
    switch (category) {
    case Category::Images:
        return m_results.imageModal;
    case Category::Videos:
        return m_results.videoModal;
    case Category::Audio:
        return m_results.audioModal;
    case Category::Documents:
        return m_results.docsModal;
    case Category::Others:
        return m_results.otherModal;
    case Category::All:
        return Modal::combine({m_results.imageModal, m_results.videoModal, m_results.audioModal,
                               m_results.docsModal, m_results.otherModal});
    case Category::None:
        break;
    }
    return {};
}

bool ResultReview::summaryShown(Category category) const
{
    return (m_summaryShown & bitOf(category)) != 0;
}

std::optional<ResultReview::Information> ResultReview::selectCategory(Category category)
{
    m_category = category;
    ModalPtr tree = treeOf(category);
    if (!tree) {
        tree = Modal::create();
    }
    // An empty category is on screen too: its message leads on to All.
    m_modal = tree;
    if (category != Category::All && tree->extensionCount() == 0) {
        m_summaryShown |= bitOf(category);
        const CategoryTexts* t = textsOf(category);
        return Information{QStringLiteral("Information"),
                           QString::fromLatin1(t->emptyMessage),
                           QString(),
                           QString(),
                           QString::fromLatin1(t->image),
                           QStringLiteral("Ok")};
    }
    return std::nullopt;
}

std::optional<ResultReview::Information> ResultReview::showInformationWindowAccordingTab()
{
    if (m_category == Category::All) {
        if (summaryShown(Category::All)) {
            return std::nullopt;
        }
        m_summaryShown |= bitOf(Category::All);
        const quint64 media = totalFilesOf(m_results.imageModal) + totalFilesOf(m_results.videoModal) +
                              totalFilesOf(m_results.audioModal);
        return Information{QStringLiteral("Duplicates Found"),
                           QStringLiteral("Media: %1").arg(media),
                           QStringLiteral("Documents: %1").arg(totalFilesOf(m_results.docsModal)),
                           QStringLiteral("Others: %1").arg(totalFilesOf(m_results.otherModal)),
                           QStringLiteral("common_info"),
                           QStringLiteral("Review")};
    }
    const CategoryTexts* t = textsOf(m_category);
    if (!t || summaryShown(m_category) || !m_modal) {
        return std::nullopt;
    }
    m_summaryShown |= bitOf(m_category);
    const Totals totals = totalsOf(m_modal);
    return Information{
        QStringLiteral("Information"),
        QString::fromLatin1(t->summaryLine).arg(totals.files),
        QStringLiteral("Memory Occupied: %1").arg(Formatting::getFormattedStringForSize(totals.bytes)),
        QString(),
        QString::fromLatin1(t->image),
        QStringLiteral("Review")};
}

ResultReview::Route ResultReview::routeAfterInformation() const
{
    if (m_modal && m_modal->extensionCount() != 0) {
        return Route::Stay;
    }
    if (m_category == Category::All) {
        return Route::GoHome;
    }
    return m_category == Category::None ? Route::Stay : Route::ShowAll;
}
