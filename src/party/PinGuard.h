#pragma once
// The host's PIN: compared in constant time, and a client that keeps getting
// it wrong is shut out for a while. Plain code; the caller gives the time.
#include <QByteArray>
#include <QHash>
#include <QString>

namespace lirmus {

class PinGuard {
public:
    enum class Verdict { Ok, NoPin, Wrong, LockedOut };

    /// Wrong PINs in a row after which a client is shut out, and for how long.
    static constexpr int kMaxWrong = 5;
    static constexpr qint64 kLockoutMs = 60'000;

    /// The PIN the host set; "" means host actions are refused.
    void setPin(const QString& pin);
    bool hasPin() const { return !pinHash_.isEmpty(); }
    /// Checks `given` from client `who` (its address) at time nowMs; a right PIN clears its count.
    Verdict check(const QString& who, const QByteArray& given, qint64 nowMs);

private:
    struct Client {
        int wrong = 0;
        qint64 lockedUntil = 0;
    };
    QByteArray pinHash_;
    QHash<QString, Client> clients_;
};

/// True when a and b hold the same bytes; the time taken does not depend on where they differ.
bool sameBytes(const QByteArray& a, const QByteArray& b);

} // namespace lirmus
