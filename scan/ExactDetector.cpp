#include "scan/ExactDetector.h"

#include "platform/FileLimits.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"

#include <QHash>
#include <algorithm>
#include <thread>

namespace {

// Buffers for all five searches together stay under this.
constexpr std::size_t TotalBufferBytes = 8u << 20;
// A search with this many files to compare reads them on several threads.
constexpr std::size_t ParallelFromFiles = 2000;
constexpr std::size_t ReadThreads = 3;

ContentPartitioner::Budget searchBudget()
{
    return {FileLimits::openFileBudget(CategoryCount), TotalBufferBytes / CategoryCount};
}

} // namespace

ExactDetector::ExactDetector(ScanControl& control, ScanProgress& progress)
    : m_control(control), m_progress(progress)
{
}

SetPtr ExactDetector::setOfFileDetailsFrom(const QList<FilePtr>& group)
{
    return Set::fromFiles(group);
}

ModalPtr ExactDetector::findDuplicates(QList<FilePtr>& list)
{
    return findDuplicates(list, searchBudget());
}

ModalPtr ExactDetector::findDuplicates(QList<FilePtr>& list, ContentPartitioner::Budget budget)
{
    ModalPtr result = Modal::create();

    // Order by size, then by place in the list: runs of one size are the
    // only candidates, and nothing else is ever read.
    std::vector<std::pair<quint64, quint32>> bySize;
    bySize.reserve(static_cast<std::size_t>(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
        bySize.emplace_back(list.at(i)->fileSize(), static_cast<quint32>(i));
    }
    std::sort(bySize.begin(), bySize.end());

    // Files of a size shared with others, size by size in one array;
    // each bucket is a run of it.
    std::vector<quint32> candidates;
    struct Bucket
    {
        std::size_t begin, end;
    };
    std::vector<Bucket> buckets;
    for (std::size_t i = 0; i < bySize.size();) {
        std::size_t j = i + 1;
        while (j < bySize.size() && bySize[j].first == bySize[i].first) {
            ++j;
        }
        if (j - i == 1) {
            m_control.addProcessed();
            m_progress.setCurrent(ScanProgress::Activity::Processing, *list.at(bySize[i].second));
        } else {
            buckets.push_back({candidates.size(), candidates.size() + (j - i)});
            for (std::size_t k = i; k < j; ++k) {
                candidates.push_back(bySize[k].second);
            }
        }
        i = j;
    }
    std::vector<std::pair<quint64, quint32>>().swap(bySize);
    // Earliest files first, so a stopped search keeps the sets nearest the
    // front of the list.
    std::sort(buckets.begin(), buckets.end(), [&candidates](const Bucket& a, const Bucket& b) {
        return candidates[a.begin] < candidates[b.begin];
    });

    // Buckets are independent: large searches read them on a few threads at
    // once, each with its share of the budget, so waiting on one file's
    // disk never holds up the rest.
    quint64 candidateBytes = 0;
    for (const Bucket& bucket : buckets) {
        candidateBytes +=
            static_cast<quint64>(bucket.end - bucket.begin) * list.at(candidates[bucket.begin])->fileSize();
    }
    m_progress.addToCompare(candidates.size(), candidateBytes);

    const std::size_t shards =
        candidates.size() >= ParallelFromFiles ? std::min<std::size_t>(ReadThreads, buckets.size()) : 1;
    std::vector<ContentPartitioner::Classes> found(shards);
    const auto readShard = [&](std::size_t shard) {
        ContentPartitioner::Budget share = budget;
        share.openFiles = std::max<std::size_t>(2, budget.openFiles / shards);
        share.bufferBytes = budget.bufferBytes / shards;
        ContentPartitioner partitioner(m_control, m_progress, share);
        partitioner.setBlockHook(m_hook);
        // Every candidate may end in a class: room for all of them at once,
        // rather than twice as much after the last doubling.
        std::size_t members = 0;
        for (std::size_t b = shard; b < buckets.size(); b += shards) {
            members += buckets[b].end - buckets[b].begin;
        }
        found[shard].members.reserve(members);
        for (std::size_t b = shard; b < buckets.size(); b += shards) {
            if (!partitioner.partition(list, candidates.data() + buckets[b].begin,
                                       buckets[b].end - buckets[b].begin, found[shard])) {
                break;
            }
        }
        // Done reading: this share is free for the searches still at work.
        if (budget.spare) {
            budget.spare->give(share.bufferBytes);
        }
    };
    // What each shard may borrow on top of its share comes only from
    // searches and shards that have finished.
    if (shards == 1) {
        readShard(0);
    } else {
        std::vector<std::jthread> readers;
        for (std::size_t shard = 0; shard < shards; ++shard) {
            readers.emplace_back(readShard, shard);
        }
    }
    std::vector<quint32>().swap(candidates);
    std::vector<Bucket>().swap(buckets);

    // Sets in the order of their first file: (first position, shard, class).
    struct Found
    {
        quint32 first;
        quint32 shard;
        quint32 index;
    };
    std::vector<Found> order;
    for (std::size_t shard = 0; shard < found.size(); ++shard) {
        for (std::size_t c = 0; c < found[shard].count(); ++c) {
            order.push_back({found[shard].members[found[shard].begin(c)], static_cast<quint32>(shard),
                             static_cast<quint32>(c)});
        }
    }
    std::sort(order.begin(), order.end(), [](const Found& a, const Found& b) { return a.first < b.first; });
    // Sets per group first, so each group's list is made once at its size.
    QHash<QByteArray, qsizetype> setsPerName;
    for (const Found& f : order) {
        ++setsPerName[FileCategories::extension(list.at(f.first)->fileName())];
    }
    QHash<QByteArray, ExtensionsPtr> byName;
    for (const Found& f : order) {
        const ContentPartitioner::Classes& classes = found[f.shard];
        QList<FilePtr> group;
        group.reserve(static_cast<qsizetype>(classes.end(f.index) - classes.begin(f.index)));
        for (std::size_t k = classes.begin(f.index); k < classes.end(f.index); ++k) {
            group.append(list.at(classes.members[k]));
        }
        const QByteArray name = FileCategories::extension(group.first()->fileName());
        ExtensionsPtr extension = byName.value(name);
        if (!extension) {
            extension = Extensions::initWithName(name);
            extension->sets().reserve(setsPerName.value(name));
            byName.insert(name, extension);
            result->addExtension(extension);
        }
        extension->addSet(setOfFileDetailsFrom(group));
    }
    for (const ExtensionsPtr& extension : result->extensionsArray()) {
        extension->calculateTotalFilesAndSize();
    }
    result->calculateTotalFilesAndSize();
    list.clear();
    return result;
}

ScanResults ExactDetector::exactMethod(CategoryLists& lists, const ModalPtr& combined)
{
    m_progress.setStage(ScanProgress::Stage::Detecting);
    m_progress.setTotal(lists.totalCount());
    m_control.resetProcessed();

    ScanResults results;
    results.modal = combined ? combined : Modal::create();
    ContentPartitioner::Budget budget = searchBudget();
    budget.spare = &m_spare;
    struct Job
    {
        QList<FilePtr>* list;
        ModalPtr* out;
    };
    const Job jobs[CategoryCount] = {
        {&lists.arrOfImagesFileObject, &results.imageModal},
        {&lists.arrOfVideosFileObject, &results.videoModal},
        {&lists.arrOfAudioFileObject, &results.audioModal},
        {&lists.arrOfDocsFileObject, &results.docsModal},
        {&lists.arrOfOthersFileObject, &results.otherModal},
    };
    {
        std::vector<std::jthread> searches;
        for (const Job& job : jobs) {
            searches.emplace_back([this, job, budget] { *job.out = findDuplicates(*job.list, budget); });
        }
    } // joined here

    for (const Job& job : jobs) {
        results.modal->addExtensionFromArray((*job.out)->extensionsArray());
    }
    results.modal->calculateTotalFilesAndSize();
    m_progress.setStage(ScanProgress::Stage::Finished);
    return results;
}
