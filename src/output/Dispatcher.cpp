#include "Dispatcher.h"

#include "ChannelState.h"
#include "ControllerTable.h"
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "Panic.h"
#include "PlayerState.h"
#include "Settings.h"
#include "SongState.h"
#include "TimeText.h"

#include <algorithm>
#include <cstdint>

namespace lirmus {
namespace {

enum MetaKind { kMetaLyric = 5, kMetaMarker = 6, kMetaTextPage = 10, kMetaTempo = 81 };
constexpr int kMeta = 255;
constexpr int kNoteOn = 0x90, kControl = 0xB0, kProgram = 0xC0;
constexpr int kVolume = 7;
constexpr int kStripRows = 4;     // rows 0..3 have a strip slider
constexpr int kLampOn = 10;       // light green: the channel is audible
constexpr double kShortestCountdown = 0.5;

// Blank means empty or only spaces, as the lyric files pad syllables with them.
bool isBlank(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

} // namespace

QString drumCaption(const std::vector<std::string>& kits, int program)
{
    for (const std::string& line : kits)
        if (drumKitProgram(line) == program) return "Drum " + QString::fromStdString(drumKitName(line));
    return QString("Drum %1").arg(program, 3, 10, QLatin1Char('0'));
}

Dispatcher::Dispatcher(SongState& song, PlayerFlags& flags, PlayerState& player, ChannelState& channels,
                       LyricDisplayState& lyric, ControllerTable& mixer, const Settings& settings, MIDIOutput& out,
                       std::function<double()> timerNow, LyricCursor& lyrics, Displays displays)
    : song_(song), flags_(flags), player_(player), channels_(channels), lyric_(lyric), mixer_(mixer),
      settings_(settings), out_(out), timerNow_(std::move(timerNow)), lyrics_(lyrics), view_(displays)
{
}

void Dispatcher::MIDIOutput1_MessageSent(long tag)
{
    if (flags_.AbortRequested || tag == 0) return;
    const SongQueue& q = song_.queue;
    if (tag == q.MsgCount) {
        // The last entry is never shown: it ends the song.
        if (songEnd_) songEnd_->Stop_Play();
        return;
    }
    if (tag >= 1 && tag <= q.MsgCount) {
        player_.CurrentIndex = tag;
        const QueueEntry e = q[tag]; // a copy: the displays may cause the queue to change
        view_.player.showClock(TimeText(timerNow_() - player_.PlayStartTime).left(8));
        showPosition(e);
        if (e.Status == kMeta) showMeta(tag, e);
        else markFirstSound(e);

        // The monitor's sliders move below: their handlers must send nothing.
        channels_.IndicUpdating = true;
        if (e.Status < kMeta) {
            switch (e.Status & 0xF0) {
            case kNoteOn: noteOn(e); break;
            case kProgram: programChange(e); break;
            case kControl: controlChange(e); break;
            default: break;
            }
        }
    }
    channels_.IndicUpdating = false;
}

void Dispatcher::showPosition(const QueueEntry& e)
{
    if (player_.SliderDragging) return;
    view_.player.showPosition(TimeText(e.Time / 1000.0).left(5));
    // Only note-ons of a complete queue move the slider. A song without
    // length (nothing but time-0 entries) has no position to show.
    if (e.Time < 1 || (e.Status & 0xF0) != kNoteOn || !player_.QueueComplete || song_.SongLength <= 0)
        return;
    const int percent = int(std::min<int64_t>(int64_t(e.Time) * 100 / song_.SongLength, 100));
    if (percent == player_.LastSliderPercent) return;
    player_.LastSliderPercent = percent;
    player_.SliderPercent = percent;
    view_.player.setPositionValue(percent);
}

double Dispatcher::countdown(long gapMs)
{
    const double due = lyrics_.CalcolaProssimaLyr(gapMs);
    return due - timerNow_() < kShortestCountdown ? 0 : due;
}

void Dispatcher::showMeta(long tag, const QueueEntry& e)
{
    switch (e.Data1) {
    case kMetaMarker:
        lyrics_.setMarkerCaption(e.Text);
        break;
    case kMetaTempo:
        view_.monitor.setTempoCaption(QString::number(e.Value));
        break;
    case kMetaLyric:
        if (e.Length < 1) break;
        if (e.Text.startsWith(QLatin1Char('%'))) {
            lyric_.NextChordTime = countdown(e.Length);
            lyrics_.PrintLyricA(e.Value, e.Extra, e.Text);
        } else {
            lyric_.NextLyricTime = countdown(e.Length);
            if (!isBlank(e.Text)) lyrics_.PrintLyric(e.Value, e.Extra, e.Text);
        }
        break;
    case kMetaTextPage:
        if (song_.InfoTextCount() > 0) showTextPage(tag, e);
        break;
    default:
        break;
    }
}

void Dispatcher::showTextPage(long tag, const QueueEntry& e)
{
    auto& rows = lyric_.SysexRows;
    if (e.Data2 >= 4 && e.Data2 <= 7) {
        const int r = e.Data2 - 3;
        if (!lyric_.SysexShown) {
            lyric_.SysexShown = true;
            lyric_.SysexBesideLyrics = song_.LyricLineCount() >= 4;
            lyrics_.PreparaAltezza();
        }
        lyrics_.ClearSysexRow(r);
        rows[size_t(r)] = e.Text;
        for (int k = r + 1; k <= 4; ++k) rows[size_t(k)].clear();
        lyrics_.PrintSysexRow(r);
        if (e.Data2 == 4) lyric_.SysexRow = 1;
    } else if (e.Data2 == 8 && lyric_.SysexRow >= 1 && lyric_.SysexRow < 5) {
        // The current row has been sung; near the end of the page the first
        // line of the next one is shown in row 1 as a preview.
        lyrics_.PrintSysexRowSung(lyric_.SysexRow);
        const int row = ++lyric_.SysexRow;
        const bool previewDue = row == 5 || ((row == 3 || row == 4) && rows[size_t(row)].isEmpty());
        if (!previewDue) return;
        const long next = song_.queue.NextSysexPage(tag);
        if (next == 0 || isBlank(song_.queue[next].Text)) return;
        lyrics_.ClearSysexRow(1);
        rows[1] = song_.queue[next].Text;
        lyrics_.PrintSysexRow(1);
    }
}

void Dispatcher::markFirstSound(const QueueEntry& e)
{
    const int ch = e.Status & 0x0F, cmd = e.Status & 0xF0;
    if (channels_.ChannelUsed[size_t(ch)]) return;
    if (cmd != kNoteOn && !(cmd == kControl && e.Data1 == kVolume && e.Data2 > 0)) return;
    channels_.ChannelUsed[size_t(ch)] = true;
    // A channel kept off from its first note must not be heard at the synthesizer's
    // own volume until the song sets one (a volume message is answered below).
    const int known = mixer_.rows() > 0 ? mixer_.CtrlValue[0][size_t(ch)] : -1;
    if (channels_.SoloChannel != -1) {
        if (cmd == kNoteOn) SendControl(out_, ch, kVolume, soloVolume(settings_.SoloLevel, known < 0 ? 127 : known));
        return;
    }
    view_.monitor.setStripEnabled(ch, true);
    if (channels_.MelodyMuted && ch == melodyChannel(settings_, channels_)) {
        if (cmd == kNoteOn) SendControl(out_, ch, kVolume, 0);
        return;
    }
    channels_.ChannelOn[size_t(ch)] = true;
    view_.monitor.setStripColor(ch, kLampOn);
}

void Dispatcher::setStripSlider(int ch, int row, int value)
{
    channels_.StripValue[size_t(ch)][size_t(row)] = value;
    view_.monitor.setStripSlider(ch, row, value);
}

void Dispatcher::noteOn(const QueueEntry& e)
{
    const int ch = e.Status & 0x0F;
    if (mixer_.rows() > 0 && mixer_.CtrlValue[0][size_t(ch)] < 0) {
        // A channel that never set its volume plays at full volume.
        mixer_.CtrlValue[0][size_t(ch)] = 127;
        setStripSlider(ch, 0, 127);
    }
    int& meter = channels_.MeterLevel[size_t(ch)];
    // The meters show what is heard: a muted channel's stay still; the others, while one is
    // soloed, still sound at the solo level.
    const bool soloedOut = channels_.SoloChannel != -1 && ch != channels_.SoloChannel;
    const bool heard = soloedOut ? settings_.SoloLevel > 0 : channels_.ChannelOn[size_t(ch)];
    if (heard && !settings_.KaraokeEnlarged && e.Data2 > 0 && e.Data2 > meter) {
        meter = e.Data2;
        view_.monitor.setMeter(ch, meter);
    }
    if (song_.LyricLineCount() < 8 && e.Status == kNoteOn + settings_.MelodyChannel && e.Data2 > 0) {
        // Few lyrics: the countdown follows the melody instead.
        if (!lyric_.NextMelodyShown) {
            lyric_.NextMelodyShown = true;
            lyrics_.setNextLyricCaption("Next Melody");
        }
        lyric_.NextLyricTime = countdown(e.Length);
    }
}

void Dispatcher::programChange(const QueueEntry& e)
{
    const int ch = e.Status & 0x0F;
    if (e.Data1 < 128) channels_.Program[size_t(ch)] = e.Data1; // the chooser marks it
    if (ch == ChannelState::kDrumChannel) {
        view_.monitor.setProgramCaption(ch, drumCaption(settings_.DrumKits, e.Data1));
        return;
    }
    const std::string name = e.Data1 < settings_.ProgramNames.size() ? settings_.ProgramNames[e.Data1] : std::string();
    view_.monitor.setProgramCaption(ch, QString::fromStdString(name));
    channels_.ProgramSeen[size_t(ch)] = true;
}

void Dispatcher::controlChange(const QueueEntry& e)
{
    const int ch = e.Status & 0x0F;
    const int k = mixer_.rowOf(e.Data1);
    if (k < 0) return;
    // The file's value: the pump keeps it in Extra before scaling; the external
    // player sends the file itself, so Data2 is that value there.
    const int raw = settings_.ExternalMCI ? e.Data2 : e.Extra;
    mixer_.CtrlValue[size_t(k)][size_t(ch)] = raw;
    if (k < kStripRows) setStripSlider(ch, k, raw);

    const int solo = channels_.SoloChannel;
    if (solo >= 0 && ch != solo && e.Data1 == kVolume) {
        // The other channels stay at the solo level, as the solo button left them.
        SendControl(out_, ch, kVolume, soloVolume(settings_.SoloLevel, raw));
        return;
    }
    int v = ApplyMaster(raw, 0, 127, mixer_.CtrlMaster[size_t(k)], mixer_.CtrlMin[size_t(k)]);
    if (ch == melodyChannel(settings_, channels_) && channels_.MelodyMuted && e.Data1 == kVolume) v = 0;
    // A muted channel stays silent until it is turned on again, which restores the song's values.
    if (e.Data1 == kVolume && channels_.ChannelUsed[size_t(ch)] && !channels_.ChannelOn[size_t(ch)]) v = 0;
    if (v != raw) SendControl(out_, ch, mixer_.CtrlNumber[size_t(k)], v);
}

} // namespace lirmus
