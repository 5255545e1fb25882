#include "PinGuard.h"

#include <QCryptographicHash>

namespace lirmus {
namespace {

// Hashes have one length, so the comparison tells nothing of the PIN's length either.
QByteArray digest(const QByteArray& text) { return QCryptographicHash::hash(text, QCryptographicHash::Sha256); }

} // namespace

bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

void PinGuard::setPin(const QString& pin)
{
    const QByteArray text = pin.trimmed().toUtf8();
    pinHash_ = text.isEmpty() ? QByteArray() : digest(text);
    clients_.clear();
}

PinGuard::Verdict PinGuard::check(const QString& who, const QByteArray& given, qint64 nowMs)
{
    if (pinHash_.isEmpty()) return Verdict::NoPin;
    Client& c = clients_[who];
    if (c.lockedUntil > nowMs) return Verdict::LockedOut;
    if (sameBytes(digest(given.trimmed()), pinHash_)) {
        c = Client{};
        return Verdict::Ok;
    }
    if (++c.wrong >= kMaxWrong) {
        c.wrong = 0;
        c.lockedUntil = nowMs + kLockoutMs;
    }
    return Verdict::Wrong;
}

} // namespace lirmus
