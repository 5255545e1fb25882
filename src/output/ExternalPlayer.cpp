#include "ExternalPlayer.h"

#include "MciSequencer.h"

namespace lirmus {

ExternalPlayer::ExternalPlayer(std::function<void(const std::string&)> showError,
                               std::function<void(const std::string&)> showNotice)
    : showError_(std::move(showError)), showNotice_(std::move(showNotice))
{
}

ExternalPlayer::~ExternalPlayer() = default;

void ExternalPlayer::setOptions(const MciOptions& options)
{
    options_ = options;
    optionsChanged_ = true;
}

MciSequencer& ExternalPlayer::sequencer()
{
    if (!sequencer_) {
        sequencer_ = std::make_unique<MciSequencer>(options_);
        sequencer_->onError = [this](int, const std::string& message) { showError_(message); };
        sequencer_->onNotice = [this](int, const std::string& message) {
            if (told_.insert(message).second) showNotice_(message);
        };
        optionsChanged_ = false;
    }
    return *sequencer_;
}

bool ExternalPlayer::execute(const std::string& command)
{
    // New settings take effect between songs: "Close All" starts every song.
    if (optionsChanged_ && sequencer_ && command == "Close All") {
        sequencer_->execute(command);
        sequencer_.reset();
    }
    return sequencer().execute(command);
}

int ExternalPlayer::sendString(const std::string& command, std::string& reply)
{
    return sequencer().sendString(command, reply);
}

} // namespace lirmus
