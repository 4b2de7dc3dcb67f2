#include "review/ResultExport.h"

#include "platform/FdIo.h"
#include "platform/PathText.h"
#include "platform/UniqueFd.h"
#include "scan/FileCategories.h"

#include <QDateTime>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype ChunkSize = 1 << 20;

struct CategoryTree
{
    const ModalPtr* tree;
    Category category;
};

// The order of the combined tree.
QList<CategoryTree> categoryTrees(const ScanResults& r)
{
    return {{&r.imageModal, Category::Images},
            {&r.videoModal, Category::Video},
            {&r.audioModal, Category::Audio},
            {&r.docsModal, Category::Documents},
            {&r.otherModal, Category::Others}};
}

QByteArray csvField(const QByteArray& field)
{
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') && !field.contains('\r')) {
        return field;
    }
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

} // namespace

ResultExport::Keepers ResultExport::byRule(const KeepRule& rule, const ReferenceRoots& references)
{
    return [rule, references](const Set& set) { return rule.keepers(set, references); };
}

ResultExport::Keepers ResultExport::byMarks()
{
    return [](const Set& set) {
        QList<bool> keep;
        keep.reserve(set.files().size());
        for (const FilePtr& file : set.files()) {
            keep.append(file->state() == MarkState::Unmarked);
        }
        return keep;
    };
}

bool ResultExport::writeJson(const ScanResults& results, const KeepRule& rule,
                             const ReferenceRoots& references, const Sink& sink)
{
    return writeJson(results, byRule(rule, references), sink);
}

bool ResultExport::writeCsv(const ScanResults& results, const KeepRule& rule,
                            const ReferenceRoots& references, const Sink& sink)
{
    return writeCsv(results, byRule(rule, references), sink);
}

bool ResultExport::save(const QByteArray& path, Format format, const ScanResults& results,
                        const KeepRule& rule, const ReferenceRoots& references, QString* error)
{
    return save(path, format, results, byRule(rule, references), error);
}

bool ResultExport::writeJson(const ScanResults& results, const Keepers& keepers, const Sink& sink)
{
    QByteArray out("{\"groups\":[");
    bool firstGroup = true;
    for (const CategoryTree& entry : categoryTrees(results)) {
        const ModalPtr& tree = *entry.tree;
        if (!tree) {
            continue;
        }
        for (const ExtensionsPtr& extension : tree->extensionsArray()) {
            if (!firstGroup) {
                out += ',';
            }
            firstGroup = false;
            out += "{\"name\":\"" + PathText::jsonEscaped(extension->name()) + "\",\"category\":\"" +
                   FileCategories::categoryName(entry.category) + "\",\"sets\":[";
            bool firstSet = true;
            for (const SetPtr& set : extension->sets()) {
                out += firstSet ? "{\"files\":[" : ",{\"files\":[";
                firstSet = false;
                const QList<bool> keep = keepers(*set);
                for (qsizetype i = 0; i < set->files().size(); ++i) {
                    const FilePtr& file = set->files().at(i);
                    if (i > 0) {
                        out += ',';
                    }
                    out += "{\"path\":\"" + PathText::jsonEscaped(file->filePath()) +
                           "\",\"size\":" + QByteArray::number(file->fileSize()) +
                           (keep.at(i) ? ",\"keep\":true}" : ",\"keep\":false}");
                }
                out += "]}";
            }
            out += "]}";
            if (out.size() > ChunkSize) {
                if (!sink(out)) {
                    return false;
                }
                out.clear();
            }
        }
    }
    const quint64 copies = results.modal ? results.modal->totalFiles() : 0;
    const quint64 bytes = results.modal ? results.modal->totalFilesSize() : 0;
    out += "],\"totalFiles\":" + QByteArray::number(copies) +
           ",\"totalFilesSize\":" + QByteArray::number(bytes) + "}\n";
    return sink(out);
}

bool ResultExport::writeCsv(const ScanResults& results, const Keepers& keepers, const Sink& sink)
{
    QByteArray out("set,group,category,path,size,modified,keep\r\n");
    quint64 setNumber = 0;
    for (const CategoryTree& entry : categoryTrees(results)) {
        const ModalPtr& tree = *entry.tree;
        if (!tree) {
            continue;
        }
        for (const ExtensionsPtr& extension : tree->extensionsArray()) {
            const QByteArray group = csvField(extension->name());
            const QByteArray category = FileCategories::categoryName(entry.category);
            for (const SetPtr& set : extension->sets()) {
                ++setNumber;
                const QList<bool> keep = keepers(*set);
                for (qsizetype i = 0; i < set->files().size(); ++i) {
                    const FilePtr& file = set->files().at(i);
                    const QDateTime modified = file->fileModificationDate();
                    out += QByteArray::number(setNumber) + ',' + group + ',' + category + ',' +
                           csvField(file->filePath()) + ',' + QByteArray::number(file->fileSize()) + ',' +
                           (modified.isValid() ? modified.toUTC().toString(Qt::ISODateWithMs).toLatin1()
                                               : QByteArray()) +
                           (keep.at(i) ? ",yes\r\n" : ",no\r\n");
                }
                if (out.size() > ChunkSize) {
                    if (!sink(out)) {
                        return false;
                    }
                    out.clear();
                }
            }
        }
    }
    return sink(out);
}

bool ResultExport::save(const QByteArray& path, Format format, const ScanResults& results,
                        const Keepers& keepers, QString* error)
{
    const QByteArray temporary = path + ".part";
    UniqueFd fd(FdIo::retry(
        [&] { return ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644); }));
    int failure = fd.isValid() ? 0 : errno;
    if (fd.isValid()) {
        const Sink sink = [&](const QByteArray& chunk) {
            if (!FdIo::writeAll(fd.get(), chunk)) {
                failure = errno ? errno : EIO;
                return false;
            }
            return true;
        };
        const bool written =
            format == Format::Json ? writeJson(results, keepers, sink) : writeCsv(results, keepers, sink);
        if (written && ::fsync(fd.get()) != 0) {
            failure = errno;
        }
        if (!fd.close() && !failure) {
            failure = errno;
        }
        if (!failure && ::rename(temporary.constData(), path.constData()) != 0) {
            failure = errno;
        }
        if (failure) {
            ::unlink(temporary.constData());
        }
    }
    if (failure && error) {
        *error = QString::fromLocal8Bit(std::strerror(failure));
    }
    return !failure;
}
