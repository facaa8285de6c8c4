#include "netconfig.h"

#include "netlog.h"

namespace {

void overrideAddress(const char *name, QHostAddress &target)
{
    const QString text = qEnvironmentVariable(name);
    if (text.isEmpty())
        return;
    QHostAddress a;
    if (a.setAddress(text) && a.protocol() == QAbstractSocket::IPv4Protocol)
        target = a;
    else
        qCDebug(lcNet) << "ignoring" << name << "- not an IPv4 address:" << text;
}

} // namespace

NetConfig NetConfig::fromEnvironment()
{
    NetConfig c;
    overrideAddress("BEAMDECK_DISCOVERY_ADDRESS", c.discoveryAddress);
    overrideAddress("BEAMDECK_SERVER_ADDRESS", c.serverAddress);
    overrideAddress("BEAMDECK_HOST_ADDRESS", c.hostAddress);
    overrideAddress("BEAMDECK_BIND_ADDRESS", c.bindAddress);
    const QByteArray port = qgetenv("BEAMDECK_CLIENT_PORT");
    if (!port.isEmpty()) {
        bool ok = false;
        const uint p = port.toUInt(&ok);
        if (ok && p > 0 && p < 65536)
            c.clientPort = quint16(p);
        else
            qCDebug(lcNet) << "ignoring BEAMDECK_CLIENT_PORT - not a port:" << port;
    }
    return c;
}

QHostAddress pickLocalIPv4(const QList<QHostAddress> &addresses)
{
    QHostAddress loopback;
    for (const QHostAddress &a : addresses) {
        if (a.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        if (!a.isLoopback())
            return a;
        if (loopback.isNull())
            loopback = a;
    }
    return loopback;
}
