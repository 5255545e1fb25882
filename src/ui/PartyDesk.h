#pragma once
// The guests' service's way into the player: its play queue and the host's
// transport buttons, on the window thread.
#include "RequestDesk.h"

namespace lirmus {

class Player;

class PartyDesk : public RequestDesk {
public:
    explicit PartyDesk(Player& player) : player_(player) {}
    ~PartyDesk() override;

    QList<QueuedSong> queued() const override;
    QString onStage() const override;
    double secondsLeft() const override;
    quint64 insert(int row, const QString& file, const QString& singer) override;
    bool remove(quint64 id) override;
    bool move(quint64 id, int row) override;
    void skip() override;
    bool pause() override;
    void setChanged(std::function<void()> changed) override;

private:
    Player& player_;
};

} // namespace lirmus
