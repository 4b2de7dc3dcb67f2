#include "update/InternetConnection.h"

#include <QFile>

namespace {

constexpr quint32 routeUp = 0x0001;
constexpr quint32 routeReject = 0x0200;

QByteArray readSmallFile(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(1 << 20);
}

bool usable(const QByteArray& iface, const QByteArray& flagsHex)
{
    bool ok = false;
    const quint32 flags = flagsHex.toUInt(&ok, 16);
    return ok && iface != "lo" && (flags & routeUp) != 0 && (flags & routeReject) == 0;
}

} // namespace

bool InternetConnection::isAvailable(const QByteArray& ipv4Routes, const QByteArray& ipv6Routes)
{
    return hasIpv4DefaultRoute(readSmallFile(ipv4Routes)) || hasIpv6DefaultRoute(readSmallFile(ipv6Routes));
}

bool InternetConnection::hasIpv4DefaultRoute(const QByteArray& table)
{
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; one header line.
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
        if (fields.size() < 8) {
            continue;
        }
        if (fields.at(1) == "00000000" && fields.at(7) == "00000000" && usable(fields.at(0), fields.at(3))) {
            return true;
        }
    }
    return false;
}

bool InternetConnection::hasIpv6DefaultRoute(const QByteArray& table)
{
    // dest prefix src prefix next-hop metric refcnt use flags iface; no header.
    static const QByteArray anyAddress(32, '0');
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10) {
            continue;
        }
        if (fields.at(0) == anyAddress && fields.at(1) == "00" && usable(fields.at(9), fields.at(8))) {
            return true;
        }
    }
    return false;
}
