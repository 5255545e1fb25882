#pragma once
// Singing along on the karaoke screen: the microphone's frames scored against
// the song the player plays (its position, key and tempo), the pitch guide
// the screen asks for every frame, the score on the card at the song's end,
// and the score kept in the open library. Owns no window.
#include "GuideRender.h"
#include "LiveSinging.h"
#include "Microphone.h"
#include "ScreenRender.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace lirmus {

class Player;
class SongLibrary;
struct Settings;

class SingController : public QObject {
    Q_OBJECT
public:
    SingController(Player& player, const Settings& settings, QObject* parent = nullptr);

    /// The library scores are kept in (null or closed: none).
    std::function<SongLibrary*()> library;

    /// Listens to the microphone while on (the karaoke screen shows) and the settings want the guide.
    void setActive(bool on);
    bool active() const { return active_; }
    /// The settings changed: another microphone, the guide on or off.
    void settingsChanged();

    /// What the guide shows now; {} without a song, a melody or the guide.
    std::optional<GuideView> guide();
    /// The card the player gives (next), with the last song's score on it; after a song
    /// was sung to its end, while nothing plays, a card of that song and its score.
    std::optional<TitleCard> card(std::optional<TitleCard> next);

    /// The microphone's frames (a test or benchmark may hand them in as well).
    void takeFrames(const QVector<LiveFrame>& frames);

    const LiveSinging& live() const { return live_; }
    Microphone& microphone() { return mic_; }
    /// The total of the last song sung to its end, -1 = none yet.
    int lastScore() const { return lastScore_; }
    /// How long an ended song's card stays while nothing else happens.
    static constexpr double kScoreCardMs = 15000;

signals:
    /// A song was sung to its end with this total.
    void songScored(int score);
    /// A line ended with its rating.
    void lineRated(const QString& rating, int score);

private:
    /// A new song in the player: the melody to sing.
    void followSong();
    void finish();
    void startMicrophone();
    /// The pitch guide on the karaoke screen or the recording wants the voice.
    bool wantsMicrophone() const;
    /// A guide shows (the karaoke screen's, or the lyrics window's): the singer is heard and scored.
    bool listening() const;

    Player& player_;
    const Settings& settings_;
    Microphone mic_;
    QTimer retry_; // runs while the microphone is wanted and could not start
    static constexpr int kRetryMs = 2000;
    LiveSinging live_;
    bool active_ = false;
    QString songFile_;
    long songEntries_ = -1;
    bool finished_ = false;
    bool heard_ = false;          // frames arrived while the song played
    double lastPos_ = -1;         // the song's position when frames last came
    int lastScore_ = -1, lastBest_ = -1;
    QString lastFile_, lastSinger_;
    double lastEndedAt_ = 0;      // steady ms the last song was scored
    double lastCaptured_ = 0;
    QString message_;             // said once: no microphone
    bool told_ = false;
};

} // namespace lirmus
