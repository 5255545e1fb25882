#pragma once
// Our own interpreter of the MCI command strings the player sends to the
// system's sequencer. It plays the song file with FluidSynth's MIDI file player,
// on its own synthesizer (port -1 or 0) or on a MIDI port (1 and up, numbered
// as the output device list numbers them), and answers position and length in
// milliseconds from the file's start. One device at a time, under its alias.
// Called from one thread (the user-interface thread).
#include "FluidSongPlayer.h"
#include "MciCommand.h"
#include "MciSong.h"
#include "PortDevice.h"

#include <functional>
#include <memory>
#include <string>

namespace lirmus {

class MciSequencer {
public:
    /// options choose the SoundFont, the audio file and the audio driver.
    explicit MciSequencer(MciOptions options = {});
    ~MciSequencer();
    MciSequencer(const MciSequencer&) = delete;
    MciSequencer& operator=(const MciSequencer&) = delete;

    /// Raised by execute() when a command fails: error number and a message for the user.
    std::function<void(int number, const std::string& message)> onError;
    /// Problems it plays on with (no sound card, SoundFont, audio file), from either entry point.
    std::function<void(int number, const std::string& message)> onNotice;

    /// Carries out a command; on failure reports it through onError and returns false.
    bool execute(const std::string& command);
    /// Carries out a command, putting its answer in reply; 0 or the error number (MciErrors.h).
    int sendString(const std::string& command, std::string& reply);
    /// The message of the last failure ("" after a success).
    const std::string& lastError() const { return lastError_; }

private:
    int run(const MciCommand& c, std::string& reply);
    int open(const MciCommand& c);
    int setPort(int port);
    int play(const MciCommand& c);
    int status(MciStatusItem item, std::string& reply);
    int fail(int number, const std::string& message);
    void close();
    long positionMs();

    FluidSongPlayer player_;
    bool open_ = false;
    std::string alias_; // lower case
    MciSong song_;
    int port_ = -1;
    PortInfo portInfo_; // the port behind port_ >= 1, as listed when it was set
    std::string lastError_;
};

} // namespace lirmus
