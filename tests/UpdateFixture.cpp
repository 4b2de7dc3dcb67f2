#include "UpdateFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <array>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

void writeNode(const QVariant& node, QByteArray& out)
{
    if (node.typeId() == QMetaType::QVariantMap) {
        out += "<dict>";
        const QVariantMap map = node.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            out += "<key>" + escaped(it.key()) + "</key>";
            writeNode(it.value(), out);
        }
        out += "</dict>";
    } else if (node.typeId() == QMetaType::QVariantList || node.typeId() == QMetaType::QStringList) {
        out += "<array>";
        for (const QVariant& item : node.toList()) {
            writeNode(item, out);
        }
        out += "</array>";
    } else {
        out += "<string>" + escaped(node.toString()) + "</string>";
    }
}

quint32 crc32(const QByteArray& data)
{
    return quint32(::crc32_z(::crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.constData()),
                             size_t(data.size())));
}

void put16(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void walkTree(const QByteArray& path, const QByteArray& relative, QMap<QByteArray, QByteArray>& items)
{
    DIR* dir = ::opendir(path.constData());
    if (!dir) {
        return;
    }
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const QByteArray child = path + '/' + name;
        const QByteArray key = relative.isEmpty() ? name : relative + '/' + name;
        struct stat st;
        if (::lstat(child.constData(), &st) != 0) {
            continue;
        }
        const QByteArray mode = QByteArray::number(st.st_mode, 8);
        if (S_ISDIR(st.st_mode)) {
            items.insert(key, "dir " + mode);
            walkTree(child, key, items);
        } else if (S_ISREG(st.st_mode)) {
            items.insert(key, "file " + mode + ' ' + UpdateFixture::readFile(child));
        } else {
            items.insert(key, "other " + mode);
        }
    }
    ::closedir(dir);
}

} // namespace

QByteArray UpdateFixture::zip(const QList<ZipEntry>& entries)
{
    QByteArray out;
    QByteArray central;
    for (const ZipEntry& entry : entries) {
        QByteArray stored = entry.data;
        if (entry.deflate) {
            // qCompress gives a 4-byte length and a zlib stream around raw deflate.
            const QByteArray zlib = qCompress(entry.data, 9);
            stored = zlib.mid(6, zlib.size() - 10);
        }
        const quint32 size =
            entry.declaredSize >= 0 ? quint32(entry.declaredSize) : quint32(entry.data.size());
        const quint32 crc = crc32(entry.data);
        const quint32 offset = quint32(out.size());
        const quint16 method = entry.deflate ? 8 : 0;
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, method);
        put32(out, 0); // time and date
        put32(out, crc);
        put32(out, quint32(stored.size()));
        put32(out, size);
        put16(out, quint32(entry.name.size()));
        put16(out, 0);
        out += entry.name + stored;

        put32(central, 0x02014b50);
        put16(central, quint32(entry.host) << 8 | 30);
        put16(central, 20);
        put16(central, 0);
        put16(central, method);
        put32(central, 0);
        put32(central, crc);
        put32(central, quint32(stored.size()));
        put32(central, size);
        put16(central, quint32(entry.name.size()));
        put16(central, 0); // extra
        put16(central, 0); // comment
        put16(central, 0); // disk
        put16(central, 0); // internal attributes
        put32(central, entry.external);
        put32(central, offset);
        central += entry.name;
    }
    const quint32 centralOffset = quint32(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(entries.size()));
    put16(out, quint32(entries.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

QList<UpdateFixture::ZipEntry> UpdateFixture::entriesOf(const QByteArray& root, const QByteArray& prefix)
{
    QList<ZipEntry> entries;
    QMap<QByteArray, QByteArray> items;
    walkTree(root, {}, items);
    entries.append({prefix + '/', {}, 3, quint32(S_IFDIR | 0755) << 16});
    for (auto it = items.begin(); it != items.end(); ++it) {
        struct stat st;
        ::lstat((root + '/' + it.key()).constData(), &st);
        ZipEntry entry;
        entry.external = quint32(st.st_mode) << 16;
        if (S_ISDIR(st.st_mode)) {
            entry.name = prefix + '/' + it.key() + '/';
        } else {
            entry.name = prefix + '/' + it.key();
            entry.data = readFile(root + '/' + it.key());
            entry.deflate = true;
        }
        entries.append(entry);
    }
    return entries;
}

QMap<QByteArray, QByteArray> UpdateFixture::snapshot(const QByteArray& root)
{
    QMap<QByteArray, QByteArray> items;
    walkTree(root, {}, items);
    return items;
}

QByteArray UpdateFixture::plistXml(const QVariant& root)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    writeNode(root, out);
    return out + "</plist>\n";
}

bool UpdateFixture::writeFile(const QByteArray& path, const QByteArray& bytes, bool executable)
{
    const QString name = QFile::decodeName(path);
    QDir().mkpath(QFileInfo(name).path());
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        return false;
    }
    file.close();
    if (executable) {
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
    return true;
}

QByteArray UpdateFixture::readFile(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray UpdateFixture::markerScript(const QByteArray& label)
{
    return "#!/bin/sh\nprintf '%s\\n' \"" + label + " $*\" >> \"$TIDEMARK_TEST_MARKER\"\n";
}

bool UpdateFixture::writeProduct(const QByteArray& product, const Tree& tree)
{
    auto info = [&](const QString& identifier) {
        return plistXml(QVariantMap{{QStringLiteral("CFBundleShortVersionString"), tree.version},
                                    {QStringLiteral("CFBundleIdentifier"), identifier}});
    };
    QVariantMap urls = tree.urls;
    urls.insert(QStringLiteral("DatVersion"), tree.datVersion);
    const QByteArray outer = product + "/Tidemark.app/Contents";
    const QByteArray inner = outer + "/MacOS/Tidemark.app/Contents";
    bool ok = true;
    if (tree.withApplication) {
        ok = ok && writeFile(outer + "/Info.plist", info(QStringLiteral("quillon.Tidemark")));
        ok = ok && writeFile(outer + "/Resources/Urls.plist", plistXml(urls));
        ok = ok && writeFile(inner + "/Info.plist", info(QStringLiteral("quillon.Tidemark")));
        ok = ok && writeFile(inner + "/MacOS/Urls.plist", plistXml(urls));
        ok = ok && writeFile(inner + "/MacOS/Tidemark", markerScript(tree.label), true);
        ok = ok && writeFile(inner + "/MacOS/Tidemark Updater.app/Contents/MacOS/Tidemark Updater",
                             markerScript("updater"), true);
    } else {
        ok = ok && QDir().mkpath(QFile::decodeName(product));
    }
    if (tree.withUninstaller) {
        ok = ok && writeFile(product + "/Uninstaller.app/Contents/MacOS/Uninstaller",
                             markerScript(tree.label), true);
    }
    return ok;
}

QByteArray UpdateFixture::updaterBundle(const QByteArray& product)
{
    return product + "/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS/Tidemark Updater.app";
}

QByteArray UpdateFixture::relaunchPath(const QByteArray& product)
{
    return product + "/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS/Tidemark";
}

bool UpdateFixture::zipFolder(const QByteArray& folder, const QByteArray& zip)
{
    QProcess process;
    process.setWorkingDirectory(QFile::decodeName(folder));
    process.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-y"),
                                          QFile::decodeName(zip), QStringLiteral("Tidemark")});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool UpdateFixture::addEscapingEntry(const QByteArray& zip)
{
    QProcess process;
    process.start(QStringLiteral("python3"),
                  {QStringLiteral("-c"),
                   QStringLiteral("import sys, zipfile\n"
                                  "with zipfile.ZipFile(sys.argv[1], 'a') as z:\n"
                                  "    z.writestr('Tidemark/../../escaped.txt', 'out')\n"),
                   QFile::decodeName(zip)});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

int UpdateFixture::runProgram(const QByteArray& program)
{
    QProcess process;
    process.start(QFile::decodeName(program), {});
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process.exitCode();
}
