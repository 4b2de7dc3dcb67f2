// libFuzzer target: every input becomes both data.plist and exception.plist
// in a private folder, and both loaders read it the way start-up does.
//   fuzz_plist_loaders -max_total_time=180 corpus/
#include "plist/PropertyListFile.h"
#include "review/ExceptionList.h"
#include "review/StatisticsStore.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray folder()
{
    static QTemporaryDir dir;
    static const QByteArray path = QFile::encodeName(dir.path());
    return path;
}

void writeFile(const QByteArray& path, const uint8_t* data, size_t size)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::abort();
    }
    if (size > 0 && ::write(fd, data, size) != ssize_t(size)) {
        std::abort();
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray dir = folder();
    writeFile(dir + "/data.plist", data, size);
    writeFile(dir + "/exception.plist", data, size);

    StatisticsStore store;
    store.loadDataFile(dir);
    (void)store.alreadyDeletedCount();
    (void)store.cleanedSoFarText();

    ExceptionList list;
    list.load(dir);
    qsizetype total = 0;
    for (const QByteArray& path : list.exceptionArrayData()) {
        total += path.size();
        if (!list.contains(path)) {
            std::abort();
        }
    }
    (void)total;

    // Whatever was accepted must also survive being written back out, which
    // is what a later run does with it (in memory here: no disk per input).
    PropertyListFile::Root root =
        PropertyListFile::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (root) {
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(root.get(), &xml, &length);
        PropertyListFile::Root again = PropertyListFile::parse(QByteArray(xml, qsizetype(length)));
        plist_to_xml_free(xml);
        (void)again;
    }
    return 0;
}
