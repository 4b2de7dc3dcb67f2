#include "review/KeepRule.h"

namespace {

struct Named
{
    const char* name;
    KeepRule::Kind kind;
};

constexpr Named ruleNames[] = {{"first", KeepRule::Kind::First},
                               {"newest", KeepRule::Kind::Newest},
                               {"oldest", KeepRule::Kind::Oldest},
                               {"shortest-path", KeepRule::Kind::ShortestPath},
                               {"longest-path", KeepRule::Kind::LongestPath}};

} // namespace

KeepRule::KeepRule(Kind kind, QByteArray folder) : m_kind(kind), m_folder(std::move(folder))
{
    while (m_folder.size() > 1 && m_folder.endsWith('/')) {
        m_folder.chop(1);
    }
}

std::optional<KeepRule> KeepRule::fromName(const QByteArray& name)
{
    for (const Named& n : ruleNames) {
        if (name == n.name) {
            return KeepRule(n.kind);
        }
    }
    return std::nullopt;
}

QByteArrayList KeepRule::names()
{
    QByteArrayList list;
    for (const Named& n : ruleNames) {
        list.append(n.name);
    }
    return list;
}

qsizetype KeepRule::chosen(const Set& set) const
{
    const QList<FilePtr>& files = set.files();
    qsizetype best = 0;
    switch (m_kind) {
    case Kind::First:
        break;
    case Kind::Newest:
    case Kind::Oldest: {
        best = -1;
        for (qsizetype i = 0; i < files.size(); ++i) {
            const qint64 date = files.at(i)->modificationNs();
            if (date == File::NoDate) {
                continue;
            }
            const qint64 bestDate = best < 0 ? 0 : files.at(best)->modificationNs();
            // Strictly better only: a tie stays with the file met first.
            if (best < 0 || (m_kind == Kind::Newest ? date > bestDate : date < bestDate)) {
                best = i;
            }
        }
        best = qMax<qsizetype>(best, 0);
        break;
    }
    case Kind::ShortestPath:
    case Kind::LongestPath: {
        qsizetype bestLength = files.first()->folder().size() + files.first()->fileName().size();
        for (qsizetype i = 1; i < files.size(); ++i) {
            const qsizetype length = files.at(i)->folder().size() + files.at(i)->fileName().size();
            if (m_kind == Kind::ShortestPath ? length < bestLength : length > bestLength) {
                best = i;
                bestLength = length;
            }
        }
        break;
    }
    case Kind::InsideFolder:
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (ReferenceRoots::isInside(files.at(i)->filePath(), m_folder)) {
                best = i;
                break;
            }
        }
        break;
    }
    return best;
}

QList<bool> KeepRule::keepers(const Set& set, const ReferenceRoots& references) const
{
    const QList<FilePtr>& files = set.files();
    QList<bool> keep(files.size(), false);
    if (files.isEmpty()) {
        return keep;
    }
    bool anyReference = false;
    if (!references.isEmpty()) {
        for (qsizetype i = 0; i < files.size(); ++i) {
            keep[i] = references.contains(files.at(i)->filePath());
            anyReference = anyReference || keep[i];
        }
    }
    if (!anyReference) {
        keep[chosen(set)] = true;
    }
    return keep;
}

QList<bool> KeepRule::marks(const Set& set, const ReferenceRoots& references) const
{
    QList<bool> marks = keepers(set, references);
    for (qsizetype i = 0; i < marks.size(); ++i) {
        marks[i] = !marks.at(i);
    }
    return marks;
}

void KeepRule::applyToExtension(Modal& modal, const ExtensionsPtr& extension,
                                const ReferenceRoots& references) const
{
    for (const SetPtr& set : extension->sets()) {
        modal.setMarksInSet(set, extension, marks(*set, references));
    }
}

void KeepRule::applyToSet(Modal& modal, const ExtensionsPtr& extension, const SetPtr& set,
                          const ReferenceRoots& references) const
{
    modal.setMarksInSet(set, extension, marks(*set, references));
}

void KeepRule::apply(Modal& modal, const ReferenceRoots& references) const
{
    for (const ExtensionsPtr& extension : modal.extensionsArray()) {
        applyToExtension(modal, extension, references);
    }
}
