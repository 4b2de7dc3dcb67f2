#include "cli/ResultPrinter.h"

#include "platform/PathText.h"
#include "scan/FileCategories.h"
#include "scan/Formatting.h"

namespace {

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

} // namespace

void ResultPrinter::write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), m_out);
}

void ResultPrinter::printText(const ScanResults& results)
{
    quint64 sets = 0;
    bool first = true;
    if (results.modal) {
        for (const ExtensionsPtr& extension : results.modal->extensionsArray()) {
            for (const SetPtr& set : extension->sets()) {
                if (!first) {
                    write("\n");
                }
                first = false;
                ++sets;
                for (const FilePtr& file : set->files()) {
                    write(file->filePath());
                    write("\n");
                }
            }
        }
    }
    const quint64 copies = results.modal ? results.modal->totalFiles() : 0;
    const quint64 bytes = results.modal ? results.modal->totalFilesSize() : 0;
    if (!first) {
        write("\n");
    }
    write(QStringLiteral("%1 duplicate sets, %2 redundant copies, %3 in redundant copies\n")
              .arg(sets)
              .arg(copies)
              .arg(Formatting::getFormattedStringForSize(bytes))
              .toUtf8());
    std::fflush(m_out);
}

void ResultPrinter::printJson(const ScanResults& results, const KeepRule& rule,
                              const ReferenceRoots& references)
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
                bool firstFile = true;
                const QList<bool> keep = rule.keepers(*set, references);
                qsizetype index = 0;
                for (const FilePtr& file : set->files()) {
                    if (!firstFile) {
                        out += ',';
                    }
                    firstFile = false;
                    out += "{\"path\":\"" + PathText::jsonEscaped(file->filePath()) +
                           "\",\"size\":" + QByteArray::number(file->fileSize()) +
                           (keep.at(index++) ? ",\"keep\":true}" : ",\"keep\":false}");
                }
                out += "]}";
            }
            out += "]}";
            if (out.size() > (1 << 20)) {
                write(out);
                out.clear();
            }
        }
    }
    const quint64 copies = results.modal ? results.modal->totalFiles() : 0;
    const quint64 bytes = results.modal ? results.modal->totalFilesSize() : 0;
    out += "],\"totalFiles\":" + QByteArray::number(copies) +
           ",\"totalFilesSize\":" + QByteArray::number(bytes) + "}\n";
    write(out);
    std::fflush(m_out);
}
