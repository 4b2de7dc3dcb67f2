#pragma once

#include "review/DeletionRun.h"
#include "review/KeepRule.h"
#include "review/MarkingRules.h"
#include "review/ReferenceMarking.h"
#include "review/ResultReview.h"

#include <QByteArrayList>
#include <QHash>
#include <QObject>

// Owns the results of the last scan and the tree on show, and is the one
// way to change them: marks, the exception move and the tree's half of a
// deletion all come through here and are announced, so the views follow on
// their own. The tree's own operations do the arithmetic.
//
// Rows in the signals are those of the tree on show: a group's place among
// its groups, a set's place in its group. They hold while that tree is on
// show, since files leave sets but sets and groups never leave the tree.
class ResultStore : public QObject
{
    Q_OBJECT
public:
    using Category = ResultReview::Category;

    explicit ResultStore(QObject* parent = nullptr);
    ~ResultStore() override;

    const ResultReview& review() const { return m_review; }
    // Never null.
    const ModalPtr& tree() const { return m_tree; }
    ExtensionsPtr groupAt(int group) const;
    SetPtr setAt(int group, int set) const;
    // The group's row in the tree on show, or -1.
    int groupRow(const Extensions* group) const;

    // --- Which tree is on show ------------------------------------------------
    // A finished scan: its combined tree goes on show under All.
    void setResults(const ScanResults& results);
    // Home clean-up: no results, every summary may show again.
    void clear();
    // A category command; see ResultReview::selectCategory.
    std::optional<ResultReview::Information> selectCategory(Category category);
    std::optional<ResultReview::Information> showInformationWindowAccordingTab();

    // --- Marks (refused while the exception move runs) --------------------------
    void markAll();
    void unmarkAll();
    // The group's and the set's check boxes.
    void changeStateOfGroup(int group);
    void changeStateOfSet(int group, int set);
    // One file's box, with the rule that every set keeps an unmarked file.
    MarkingRules::FileClick changeStateOfFile(int group, int set, const FilePtr& file);
    // Every file of the set but its first marked, or none.
    void markSet(int group, int set, bool mark);
    // Marks by a keep rule: the whole tree, one group, or one set.
    void applyKeepRule(const KeepRule& rule, const ReferenceRoots& references);
    void applyKeepRule(const KeepRule& rule, const ReferenceRoots& references, int group);
    void applyKeepRule(const KeepRule& rule, const ReferenceRoots& references, int group, int set);
    // The check boxes when the scan had reference locations.
    ReferenceMarking::FileClick referenceFileBox(int group, int set, const FilePtr& file,
                                                 const ReferenceRoots& references);
    void referenceSetBox(int group, int set, const ReferenceRoots& references);
    void referenceGroupBox(int group, const ReferenceRoots& references);

    // --- The exception move -------------------------------------------------------
    // Takes the marked files out of the tree on show, group by group and set
    // by set, a slice per turn of the event loop so the window stays live:
    // markedFilesTaken hands over each slice's paths in tree order and
    // exceptionMoveFinished ends the move. False when nothing is marked or a
    // move already runs.
    bool startExceptionMove();
    bool exceptionMoveRunning() const { return m_move.running; }
    // Ends a running move at once (its remaining work done in one go).
    void finishExceptionMove();
    // The whole move in one go; returns the paths.
    QByteArrayList takeMarkedFiles();
    static constexpr int SliceMs = 8;
    // At most this many sets per slice as well (0: the time alone decides);
    // lets a test step a move set by set.
    void setSetsPerSlice(int sets) { m_setsPerSlice = sets; }

    // --- Deletion -----------------------------------------------------------------
    // The tree's half of a deletion: the files the Trash took leave their
    // sets, every counter follows. Returns the sum of the removals.
    RemovalResult forgetRemoved(const QList<DeletionRun::Removed>& removed);

Q_SIGNALS:
    // Another tree is about to go on show / is on show.
    void aboutToReset();
    void reset();
    // A group's own row changed (its state).
    void groupChanged(int group);
    // Set rows first..last of a group changed (state or name).
    void setsChanged(int group, int first, int last);
    // The marks of any file in sets first..last of a group may have changed.
    void fileMarksChanged(int group, int first, int last);
    // One file's mark changed.
    void fileMarkChanged(int group, int set, const FilePtr& file);
    // Files left sets first..last of a group.
    void filesRemoved(int group, int first, int last);
    // The tree's counters changed.
    void totalsChanged();
    // One slice of the exception move: these paths left the tree.
    void markedFilesTaken(const QByteArrayList& paths);
    // The exception move is over; `count` paths were taken in all.
    void exceptionMoveFinished(qsizetype count);

private:
    struct Move
    {
        bool running = false;
        int group = 0;
        int set = 0;
        qsizetype count = 0;
    };

    void show(const ModalPtr& tree);
    bool canChange() const;
    // Announces that every set of the group (and the group) changed marks.
    void announceGroup(int group);
    // One file's mark changed, and with it its set, group and the totals.
    void announceFile(int group, int set, const FilePtr& file);
    // Every group's marks changed, and so did the totals.
    void announceEveryGroup();
    void announceSet(int group, int set);
    // Runs the move until it is over or `budgetMs` ran out (negative: no limit).
    void runMove(qint64 budgetMs);
    void scheduleMove();

    ResultReview m_review;
    ModalPtr m_tree;
    QHash<const Extensions*, int> m_groupRows;
    Move m_move;
    int m_setsPerSlice = 0;
};
