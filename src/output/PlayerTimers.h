#pragma once
// The player's timers and its song clock. The armed state lives in
// PlayerState, so logic and tests read it there and no window owns it. With
// real timers they fire on the event loop; on a manual clock the owner ticks
// them itself (tests play songs faster than real time).
#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QTimer;

namespace lirmus {

class Clock;
struct PlayerState;

/// TimerOut (20 ms, the output pump), Timer1 (125 ms, the display), Timer2 (75 ms, the external
/// player), and the title card's (100 ms: a song waiting behind its card starts when its time is up).
enum class PlayerTimer { Out, Display, External, Card };

class PlayerTimers {
public:
    PlayerTimers(PlayerState& state, const Clock& clock, bool real);
    ~PlayerTimers();
    PlayerTimers(const PlayerTimers&) = delete;
    PlayerTimers& operator=(const PlayerTimers&) = delete;

    /// What runs when timer t fires (once per tick while armed).
    void setHandler(PlayerTimer t, std::function<void()> handler);
    /// Arms or disarms t.
    void arm(PlayerTimer t, bool on);
    /// Whether t is armed.
    bool armed(PlayerTimer t) const;
    /// Runs t's handler now if t is armed (a manual tick).
    void tick(PlayerTimer t);
    /// The song clock, in seconds: monotonic, never wraps.
    double now() const;
    /// Disarms every timer and forgets the handlers (the owner is going).
    void stopAll();

private:
    bool& flag(PlayerTimer t) const;

    PlayerState& state_;
    const Clock& clock_;
    std::array<std::function<void()>, 4> handlers_;
    std::unique_ptr<QObject> owner_;    // parent of the real timers; null on a manual clock
    std::array<QTimer*, 4> timers_{};
};

} // namespace lirmus
