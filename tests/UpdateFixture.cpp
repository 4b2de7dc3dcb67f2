#include "UpdateFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>

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

} // namespace

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
        ok = ok && writeFile(product + "/Uninstaller.app/Contents/MacOS/Uninstaller", markerScript(tree.label), true);
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
