#include "PartyAddress.h"

#include <QNetworkInterface>

#include <qrencode.h>

#include <memory>

namespace lirmus {

QStringList partyAddresses(quint16 port)
{
    QStringList lan, loopback;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        const auto flags = nic.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)) continue;
        for (const QNetworkAddressEntry& e : nic.addressEntries()) {
            const QHostAddress a = e.ip();
            if (a.protocol() != QAbstractSocket::IPv4Protocol) continue;
            const QString url = QStringLiteral("http://%1:%2/").arg(a.toString()).arg(port);
            (a.isLoopback() ? loopback : lan) << url;
        }
    }
    return lan + loopback;
}

QImage qrCode(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M), QRcode_free);
    if (!code) return QImage();
    const int quiet = 4, n = code->width, side = n + 2 * quiet;
    QImage img(side, side, QImage::Format_Mono);
    img.setColor(0, qRgb(255, 255, 255));
    img.setColor(1, qRgb(0, 0, 0));
    img.fill(0);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (code->data[y * n + x] & 1) img.setPixel(x + quiet, y + quiet, 1);
    return img;
}

QImage qrCodeScaled(const QString& text, int side)
{
    const QImage code = qrCode(text);
    if (code.isNull()) return code;
    const int scale = std::max(1, (side + code.width() - 1) / code.width());
    return code.scaled(code.width() * scale, code.height() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace lirmus
