#include "review/ResultStore.h"

#include <QElapsedTimer>
#include <QTimer>

ResultStore::ResultStore(QObject* parent) : QObject(parent), m_tree(Modal::create())
{
    m_review.clear();
}

ResultStore::~ResultStore() = default;

ExtensionsPtr ResultStore::groupAt(int group) const
{
    const QList<ExtensionsPtr>& groups = m_tree->extensions();
    return group >= 0 && group < groups.size() ? groups.at(group) : ExtensionsPtr();
}

SetPtr ResultStore::setAt(int group, int set) const
{
    const ExtensionsPtr g = groupAt(group);
    return g && set >= 0 && set < g->sets().size() ? g->sets().at(set) : SetPtr();
}

int ResultStore::groupRow(const Extensions* group) const
{
    return m_groupRows.value(group, -1);
}

// --- Which tree is on show ------------------------------------------------------

void ResultStore::show(const ModalPtr& tree)
{
    // Paths already taken out of the old tree must still reach the list.
    finishExceptionMove();
    Q_EMIT aboutToReset();
    m_tree = tree ? tree : Modal::create();
    m_groupRows.clear();
    const QList<ExtensionsPtr>& groups = m_tree->extensions();
    m_groupRows.reserve(groups.size());
    for (qsizetype g = groups.size() - 1; g >= 0; --g) {
        m_groupRows.insert(groups.at(g).get(), int(g)); // the first place wins
    }
    Q_EMIT reset();
    Q_EMIT totalsChanged();
}

void ResultStore::setResults(const ScanResults& results)
{
    finishExceptionMove();
    m_review.setResults(results);
    show(m_review.modal());
}

void ResultStore::clear()
{
    finishExceptionMove();
    m_review.clear();
    show(m_review.modal());
}

std::optional<ResultReview::Information> ResultStore::selectCategory(Category category)
{
    finishExceptionMove();
    auto message = m_review.selectCategory(category);
    // An empty category only tells so; what is on show stays until the
    // message is answered.
    if (!message) {
        show(m_review.modal());
    }
    return message;
}

std::optional<ResultReview::Information> ResultStore::showInformationWindowAccordingTab()
{
    return m_review.showInformationWindowAccordingTab();
}

// --- Marks ----------------------------------------------------------------------

bool ResultStore::canChange() const
{
    return !m_move.running;
}

void ResultStore::announceGroup(int group)
{
    const ExtensionsPtr g = groupAt(group);
    if (!g) {
        return;
    }
    if (const int sets = int(g->sets().size()); sets > 0) {
        Q_EMIT setsChanged(group, 0, sets - 1);
        Q_EMIT fileMarksChanged(group, 0, sets - 1);
    }
    Q_EMIT groupChanged(group);
}

void ResultStore::announceSet(int group, int set)
{
    Q_EMIT setsChanged(group, set, set);
    Q_EMIT fileMarksChanged(group, set, set);
    Q_EMIT groupChanged(group);
}

void ResultStore::announceFile(int group, int set, const FilePtr& file)
{
    Q_EMIT fileMarkChanged(group, set, file);
    Q_EMIT setsChanged(group, set, set);
    Q_EMIT groupChanged(group);
    Q_EMIT totalsChanged();
}

void ResultStore::announceEveryGroup()
{
    for (int g = 0; g < int(m_tree->extensions().size()); ++g) {
        announceGroup(g);
    }
    Q_EMIT totalsChanged();
}

void ResultStore::markAll()
{
    if (!canChange()) {
        return;
    }
    m_tree->markAllExtension();
    announceEveryGroup();
}

void ResultStore::unmarkAll()
{
    if (!canChange()) {
        return;
    }
    m_tree->unmarkAllExtension();
    announceEveryGroup();
}

void ResultStore::changeStateOfGroup(int group)
{
    const ExtensionsPtr g = groupAt(group);
    if (!g || !canChange()) {
        return;
    }
    m_tree->changeStateOfExtension(g);
    announceGroup(group);
    Q_EMIT totalsChanged();
}

void ResultStore::changeStateOfSet(int group, int set)
{
    const SetPtr s = setAt(group, set);
    if (!s || !canChange()) {
        return;
    }
    m_tree->changeStateOfExtension(groupAt(group), s);
    announceSet(group, set);
    Q_EMIT totalsChanged();
}

MarkingRules::FileClick ResultStore::changeStateOfFile(int group, int set, const FilePtr& file)
{
    const SetPtr s = setAt(group, set);
    if (!s || !canChange()) {
        return MarkingRules::FileClick::NoFile;
    }
    const auto click = MarkingRules::collectionViewCheckButtonCLicked(*m_tree, groupAt(group), s, file);
    if (click == MarkingRules::FileClick::Marked || click == MarkingRules::FileClick::Unmarked) {
        announceFile(group, set, file);
    }
    return click;
}

void ResultStore::markSet(int group, int set, bool mark)
{
    const SetPtr s = setAt(group, set);
    if (!s || !canChange()) {
        return;
    }
    const ExtensionsPtr g = groupAt(group);
    // The set's own box fills a set from any state but full, and clears only
    // a full one: a mixed set is filled first, then cleared.
    if (mark || s->setsState() == MarkState::Mixed) {
        if (s->setsState() != MarkState::Marked) {
            m_tree->changeStateOfExtension(g, s);
        }
    }
    if (!mark && s->setsState() == MarkState::Marked) {
        m_tree->changeStateOfExtension(g, s);
    }
    announceSet(group, set);
    Q_EMIT totalsChanged();
}

void ResultStore::applyKeepRule(const KeepRule& rule, const ReferenceRoots& references)
{
    if (!canChange()) {
        return;
    }
    rule.apply(*m_tree, references);
    announceEveryGroup();
}

void ResultStore::applyKeepRule(const KeepRule& rule, const ReferenceRoots& references, int group)
{
    const ExtensionsPtr g = groupAt(group);
    if (!g || !canChange()) {
        return;
    }
    rule.applyToExtension(*m_tree, g, references);
    announceGroup(group);
    Q_EMIT totalsChanged();
}

void ResultStore::applyKeepRule(const KeepRule& rule, const ReferenceRoots& references, int group, int set)
{
    const SetPtr s = setAt(group, set);
    if (!s || !canChange()) {
        return;
    }
    rule.applyToSet(*m_tree, groupAt(group), s, references);
    announceSet(group, set);
    Q_EMIT totalsChanged();
}

ReferenceMarking::FileClick ResultStore::referenceFileBox(int group, int set, const FilePtr& file,
                                                          const ReferenceRoots& references)
{
    const SetPtr s = setAt(group, set);
    if (!s || !canChange()) {
        return ReferenceMarking::FileClick::NoFile;
    }
    const auto click = ReferenceMarking::fileBox(*m_tree, groupAt(group), s, file, references);
    if (click == ReferenceMarking::FileClick::Marked || click == ReferenceMarking::FileClick::Unmarked) {
        announceFile(group, set, file);
    }
    return click;
}

void ResultStore::referenceSetBox(int group, int set, const ReferenceRoots& references)
{
    const SetPtr s = setAt(group, set);
    if (!s || !canChange()) {
        return;
    }
    ReferenceMarking::setBox(*m_tree, groupAt(group), s, references);
    announceSet(group, set);
    Q_EMIT totalsChanged();
}

void ResultStore::referenceGroupBox(int group, const ReferenceRoots& references)
{
    const ExtensionsPtr g = groupAt(group);
    if (!g || !canChange()) {
        return;
    }
    ReferenceMarking::groupBox(*m_tree, g, references);
    announceGroup(group);
    Q_EMIT totalsChanged();
}

// --- The exception move -----------------------------------------------------------

bool ResultStore::startExceptionMove()
{
    if (m_move.running || m_tree->totalFilesSelected() == 0) {
        return false;
    }
    m_move = Move{true, 0, 0, 0};
    runMove(SliceMs);
    return true;
}

void ResultStore::scheduleMove()
{
    QTimer::singleShot(0, this, [this] {
        if (m_move.running) {
            runMove(SliceMs);
        }
    });
}

void ResultStore::finishExceptionMove()
{
    if (m_move.running) {
        runMove(-1);
    }
}

QByteArrayList ResultStore::takeMarkedFiles()
{
    QByteArrayList all;
    const auto connection = connect(this, &ResultStore::markedFilesTaken, this,
                                    [&all](const QByteArrayList& paths) { all += paths; });
    if (startExceptionMove()) {
        finishExceptionMove();
    }
    disconnect(connection);
    return all;
}

void ResultStore::runMove(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    QByteArrayList paths;
    const QList<ExtensionsPtr>& groups = m_tree->extensions();
    bool outOfTime = false;
    int taken = 0;
    while (m_move.group < groups.size() && !outOfTime) {
        const int g = m_move.group;
        const ExtensionsPtr& group = groups.at(g);
        // The group's state is read as the move reaches it.
        if (m_move.set == 0 && group->extensionState() == MarkState::Unmarked) {
            ++m_move.group;
            continue;
        }
        const QList<SetPtr>& sets = group->sets();
        int first = -1;
        int last = -1;
        while (m_move.set < sets.size()) {
            const int s = m_move.set++;
            const SetPtr& set = sets.at(s);
            if (set->setsState() != MarkState::Unmarked) {
                paths += m_tree->addSelectedFilesToExceptionInSet(set, group);
                first = first < 0 ? s : first;
                last = s;
                ++taken;
            }
            if (budgetMs >= 0 && (((s & 63) == 63 && clock.elapsed() >= budgetMs) ||
                                  (m_setsPerSlice > 0 && taken >= m_setsPerSlice))) {
                outOfTime = true;
                break;
            }
        }
        if (first >= 0) {
            Q_EMIT filesRemoved(g, first, last);
            Q_EMIT setsChanged(g, first, last);
            Q_EMIT groupChanged(g);
        }
        if (m_move.set >= sets.size()) {
            ++m_move.group;
            m_move.set = 0;
        }
    }
    m_move.count += paths.size();
    const bool more = m_move.group < groups.size();
    const qsizetype count = m_move.count;
    if (!more) {
        m_move = Move{};
    }
    Q_EMIT totalsChanged();
    if (!paths.isEmpty()) {
        Q_EMIT markedFilesTaken(paths);
    }
    if (more) {
        scheduleMove();
        return;
    }
    Q_EMIT exceptionMoveFinished(count);
}

// --- Deletion -----------------------------------------------------------------------

RemovalResult ResultStore::forgetRemoved(const QList<DeletionRun::Removed>& removed)
{
    RemovalResult sum;
    int group = -1;
    int first = -1;
    int last = -1;
    auto announce = [&] {
        if (group >= 0) {
            Q_EMIT filesRemoved(group, first, last);
            Q_EMIT setsChanged(group, first, last);
            Q_EMIT groupChanged(group);
        }
        group = first = last = -1;
    };
    for (const DeletionRun::Removed& r : removed) {
        RemovalResult result;
        const bool onShow = groupAt(r.groupRow) == r.extension && setAt(r.groupRow, r.setRow) == r.set;
        if (onShow) {
            result = m_tree->forgetRemovedFilesInSet(r.set, r.extension, r.files);
            if (r.groupRow != group) {
                announce();
                group = r.groupRow;
                first = r.setRow;
            }
            first = qMin(first, r.setRow);
            last = qMax(last, r.setRow);
        } else {
            // The files are in the Trash whatever is on show: they leave
            // their set, and its group keeps its counters.
            result = r.extension->forgetRemovedFilesInSet(r.set, r.files);
        }
        sum.deletedFilesCount += result.deletedFilesCount;
        sum.deletedFilesSize += result.deletedFilesSize;
    }
    announce();
    if (!removed.isEmpty()) {
        Q_EMIT totalsChanged();
    }
    return sum;
}
