#pragma once
// The MCI command strings the player sends, parsed into one record. Pure text
// work: nothing here touches a device, so it is tested on its own.
#include <optional>
#include <string>

namespace lirmus {

enum class MciVerb { Open, Close, Set, Play, Pause, Resume, Stop, Status };

/// What a Status command asks for.
enum class MciStatusItem { None, Position, Length, Mode };

struct MciCommand {
    MciVerb verb = MciVerb::Status;
    std::string device;              ///< alias addressed ("all" for Close All); Open: the file
    std::string alias;               ///< Open: the alias given ("" = none)
    std::optional<int> port;         ///< Set ... Port n (Port Mapper = -1)
    bool timeFormatMs = false;       ///< Set ... Time Format milliseconds
    std::optional<long> from;        ///< Play ... FROM ms
    MciStatusItem item = MciStatusItem::None;
};

/// A parsed command, or why it cannot be (error number from MciErrors.h and a message).
struct MciParsed {
    MciCommand command;
    int error = 0;
    std::string message;
};

/// Parses one command string; keywords and device names match without regard to case.
MciParsed parseMciCommand(const std::string& text);

/// name as one quoted token of a command string: in quotation marks, each one inside doubled.
std::string mciQuote(const std::string& name);

/// Lower-case ASCII copy, for comparing names.
std::string mciLower(std::string s);

} // namespace lirmus
