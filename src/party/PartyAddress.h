#pragma once
// Where guests find the party: the machine's addresses on the local network
// and a QR code of the page's address for their phones' cameras.
#include <QImage>
#include <QString>
#include <QStringList>

namespace lirmus {

/// The page's addresses, "http://ADDRESS:PORT/", for every IPv4 address of the machine's running
/// network interfaces (the local network's first, loopback last).
QStringList partyAddresses(quint16 port);

/// The QR code of text, one pixel a module with a four-module quiet zone, black on white;
/// a null image when the text does not fit in a QR code.
QImage qrCode(const QString& text);

/// The code scaled to at least side pixels, whole pixels a module, crisp.
QImage qrCodeScaled(const QString& text, int side);

} // namespace lirmus
