#pragma once
// The external player as the transport sees it: command strings in, a
// success flag or a reply out. The platform's sequencer implements it.
#include <string>

namespace lirmus {

class ExternalSequencer {
public:
    virtual ~ExternalSequencer() = default;
    /// Carries out a command; a failure has already been shown to the user.
    virtual bool execute(const std::string& command) = 0;
    /// Carries out a command that answers; 0 on success, else an error number.
    virtual int sendString(const std::string& command, std::string& reply) = 0;
};

} // namespace lirmus
