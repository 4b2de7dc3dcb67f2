#pragma once

#include <QByteArray>

// Whether the computer can reach the Internet at all, answered by the
// routing table: a default route (IPv4 or IPv6) that is up and not a
// reject route, on an interface other than loopback.
class InternetConnection
{
public:
    static bool isAvailable(const QByteArray& ipv4Routes = "/proc/net/route",
                            const QByteArray& ipv6Routes = "/proc/net/ipv6_route");
    static bool hasIpv4DefaultRoute(const QByteArray& table);
    static bool hasIpv6DefaultRoute(const QByteArray& table);
};
