#pragma once
// The external player the transport drives in external-player mode: our own
// sequencer, made when first needed with the synthesizer settings of the
// moment, its failures shown to the user, its notices once each.
#include "ExternalSequencer.h"
#include "FluidSongPlayer.h"

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace lirmus {

class MciSequencer;

class ExternalPlayer final : public ExternalSequencer {
public:
    /// showError: how a failed command reaches the user; showNotice: a problem it plays on with.
    ExternalPlayer(std::function<void(const std::string&)> showError,
                   std::function<void(const std::string&)> showNotice);
    ~ExternalPlayer() override;

    /// SoundFont, audio file and driver for the next song; the one playing keeps its own.
    void setOptions(const MciOptions& options);

    bool execute(const std::string& command) override;
    int sendString(const std::string& command, std::string& reply) override;

private:
    MciSequencer& sequencer();

    std::function<void(const std::string&)> showError_, showNotice_;
    MciOptions options_;
    bool optionsChanged_ = false;
    std::unique_ptr<MciSequencer> sequencer_;
    std::set<std::string> told_; // notices are said once per run
};

} // namespace lirmus
