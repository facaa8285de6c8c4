#pragma once

#include <QHostAddress>
#include <QList>

// Where the controller listens and sends. The defaults are those of a real
// network; tests, tools and trial runs move everything onto loopback, either
// by filling the fields or through the environment:
//   BEAMDECK_DISCOVERY_ADDRESS  target of the search request (default 255.255.255.255)
//   BEAMDECK_SERVER_ADDRESS     server carried in the search request and linked over TCP
//   BEAMDECK_HOST_ADDRESS       own address: echo filter and address 1 of feature packets
//   BEAMDECK_BIND_ADDRESS       local address listened on (default all interfaces)
//   BEAMDECK_CLIENT_PORT        listening and device port (default 8089)
struct NetConfig
{
    QHostAddress discoveryAddress = QHostAddress(QHostAddress::Broadcast);
    QHostAddress serverAddress = QHostAddress(QHostAddress::LocalHost);
    QHostAddress hostAddress; // null: found from the machine's interfaces
    QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4);
    quint16 clientPort = 8089;

    static NetConfig fromEnvironment();
};

// The computer's own IPv4 address among addresses: the first one that is not
// loopback, else the first loopback one, else a null address.
QHostAddress pickLocalIPv4(const QList<QHostAddress> &addresses);
