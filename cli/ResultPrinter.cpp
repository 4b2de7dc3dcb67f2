#include "cli/ResultPrinter.h"

#include "review/ResultExport.h"
#include "scan/Formatting.h"

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
    ResultExport::writeJson(results, rule, references, [this](const QByteArray& chunk) {
        write(chunk);
        return true;
    });
    std::fflush(m_out);
}
