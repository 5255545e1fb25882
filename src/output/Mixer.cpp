#include "Mixer.h"

#include "ChannelState.h"
#include "ControllerTable.h"
#include "MixerSend.h"
#include "PlayerState.h"
#include "Settings.h"
#include "SettingsService.h"

#include "MIDIOutput.h"

#include <algorithm>

namespace lirmus {

Mixer::Mixer(ChannelState& channels, ControllerTable& table, const Settings& settings, PlayerState& player,
             const PlayerFlags& flags, MIDIOutput& out, MonitorDisplay& view, AppDisplay& app, MixerHost& host)
    : channels_(channels), table_(table), settings_(settings), player_(player), flags_(flags), out_(out),
      view_(view), app_(app), host_(host)
{
}

bool Mixer::stripUsable(int ch) const
{
    if (ch < 0 || ch >= ChannelState::kChannels) return false;
    const int solo = channels_.SoloChannel;
    return channels_.ChannelUsed[size_t(ch)] && (solo == -1 || solo == ch);
}

void Mixer::ResetChannelStates()
{
    channels_.SoloChannel = -1;
    channels_.MelodyFound = -1;
    view_.setMelodyPanel(channels_.MelodyMuted ? kLampOff : kLampOn, true);
    for (int ch = 0; ch < ChannelState::kChannels; ++ch) {
        view_.setStripEnabled(ch, false);
        view_.setStripColor(ch, kLampOff);
        channels_.ChannelOn[size_t(ch)] = false;
        channels_.ChannelUsed[size_t(ch)] = false;
    }
}

void Mixer::sendRow(int ch, int row, int value)
{
    const size_t r = size_t(row);
    sendControl(out_, ch, table_.CtrlNumber[r], ApplyMaster(value, 0, 127, table_.CtrlMaster[r], table_.CtrlMin[r]));
}

void Mixer::restoreRows(int ch)
{
    // The song's own values come back, not the sliders' positions.
    for (int row = 0; row < table_.rows(); ++row) {
        const int v = table_.CtrlValue[size_t(row)][size_t(ch)];
        if (v >= 0) sendRow(ch, row, v);
    }
}

void Mixer::turnOn(int ch)
{
    channels_.ChannelOn[size_t(ch)] = true;
    view_.setStripColor(ch, kLampOn);
    restoreRows(ch);
}

void Mixer::turnOff(int ch)
{
    channels_.ChannelOn[size_t(ch)] = false;
    view_.setStripColor(ch, kLampOff);
    sendControl(out_, ch, kVolume, 0);
    // Silent from now on: its meter falls at once.
    channels_.MeterLevel[size_t(ch)] = 0;
    view_.setMeter(ch, 0);
}

void Mixer::setStripValue(int row, int ch, int value)
{
    if (row < 0 || row >= kStripRows || ch < 0 || ch >= ChannelState::kChannels) return;
    if (channels_.IndicUpdating) return;
    channels_.StripValue[size_t(ch)][size_t(row)] = value;
    sliControllerChange(row, ch, value);
}

void Mixer::sliControllerChange(int row, int ch, int value)
{
    if (row < 0 || row >= std::min(kStripRows, table_.rows()) || ch < 0 || ch >= ChannelState::kChannels) return;
    if (!channels_.ChannelOn[size_t(ch)] || channels_.IndicUpdating) return;
    sendRow(ch, row, value);
}

void Mixer::sliMC_Change(int row, int value)
{
    if (channels_.IndicUpdating || row < 0 || row >= table_.rows()) return;
    const size_t r = size_t(row);
    table_.CtrlMaster[r] = value;
    if (service_) service_->setInt("SETUP", "C" + std::to_string(table_.CtrlNumber[r]), value);
    for (int ch = 0; ch < ChannelState::kChannels; ++ch) {
        if (!channels_.ChannelOn[size_t(ch)] || table_.CtrlValue[r][size_t(ch)] < 0) continue;
        sendRow(ch, row, row < kStripRows ? channels_.StripValue[size_t(ch)][r] : table_.CtrlValue[r][size_t(ch)]);
    }
}

bool Mixer::cmdOn_Click(int ch)
{
    const bool melodyOff = channels_.MelodyMuted && ch == melodyChannel(settings_, channels_);
    if (!stripUsable(ch) || melodyOff || ch == channels_.SoloChannel) {
        app_.beep();
        return false;
    }
    if (channels_.ChannelOn[size_t(ch)]) turnOff(ch);
    else turnOn(ch);
    return true;
}

bool Mixer::cmdSolo_Click(int ch)
{
    if (!stripUsable(ch)) {
        app_.beep();
        return false;
    }
    const bool starting = channels_.SoloChannel == -1;
    channels_.SoloChannel = starting ? ch : -1;
    view_.setMelodyPanel(kLampOn, !starting);
    channels_.MelodyMuted = false;
    const int solo = channels_.SoloChannel;
    for (int k = 0; k < ChannelState::kChannels; ++k) {
        const size_t i = size_t(k);
        if (solo != -1 && k != solo) {
            const int volume = table_.rows() > 0 ? table_.CtrlValue[0][i] : -1;
            if (volume >= 0) sendControl(out_, k, kVolume, soloVolume(settings_.SoloLevel, volume));
            channels_.ChannelOn[i] = false;
            view_.setStripColor(k, kLampOff);
            view_.setStripEnabled(k, false);
        } else if (channels_.ChannelUsed[i]) {
            view_.setStripEnabled(k, true);
            turnOn(k);
        }
    }
    return true;
}

bool Mixer::cmdMelody_Click()
{
    if (channels_.SoloChannel != -1) {
        app_.beep();
        return false;
    }
    const int m = melodyChannel(settings_, channels_);
    const bool used = m >= 0 && m < ChannelState::kChannels && channels_.ChannelUsed[size_t(m)];
    channels_.MelodyMuted = !channels_.MelodyMuted;
    view_.setMelodyPanel(channels_.MelodyMuted ? kLampOff : kLampOn, true);
    if (used) {
        if (channels_.MelodyMuted) turnOff(m);
        else turnOn(m);
    }
    return true;
}

void Mixer::cmdGsReset_Click() { sendSysEx(out_, kGsReset); }

void Mixer::cmdGmReset_Click() { sendSysEx(out_, kGmReset); }

void Mixer::cmdXgReset_Click() { sendSysEx(out_, kXgReset); }

void Mixer::cmdPanic_Click() { host_.MidiPanic(); }

void Mixer::udTempo_Change(int percent)
{
    out_.setTempoPercent(percent);
    // The tempo change in force for this song: what the lyric countdown reads.
    player_.SongTempoChange = percent;
}

void Mixer::udTrans_Change(int semitones)
{
    // Nothing plays: Start_Play sets the transposition of the next song itself.
    if (flags_.AbortRequested || host_.MsgCount() < 1) return;
    player_.Transpose = semitones;
    host_.OutputSong(player_.CurrentIndex + 1, 0, 0, 100);
}

void Mixer::sendProgramChange(int ch, int program)
{
    if (ch < 0 || ch >= ChannelState::kChannels || program < 0 || program > 127) return;
    sendProgram(out_, ch, program);
    channels_.Program[size_t(ch)] = program;
}

QString signedCaption(int value, const QString& suffix)
{
    return (value < 0 ? QString::number(value) : "+" + QString::number(value)) + suffix;
}

QString controllerTooltip(const std::string& name, int value)
{
    return QString::fromStdString(name) + "=" + QString::number(value);
}

int meterSegments(int value) { return std::clamp(value, 0, 127) * 10 / 127; }

int meterSegmentColor(int segment) { return segment <= 5 ? 10 : segment <= 8 ? 14 : 12; }

} // namespace lirmus
