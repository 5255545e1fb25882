#include "MciCommand.h"

#include "MciErrors.h"

#include <cctype>
#include <charconv>
#include <vector>

namespace lirmus {

namespace {

struct Token {
    std::string text;
    std::string lower;
};

// Splits at blanks; a double-quoted part is one token (a path may hold blanks),
// in which a doubled quotation mark stands for one.
bool tokenize(const std::string& s, std::vector<Token>& out, std::string& message)
{
    size_t i = 0;
    while (i < s.size()) {
        if (std::isspace(static_cast<unsigned char>(s[i]))) {
            ++i;
            continue;
        }
        std::string t;
        if (s[i] == '"') {
            size_t j = i + 1;
            for (;;) {
                if (j >= s.size()) {
                    message = "The quotation marks in \"" + s + "\" are not closed.";
                    return false;
                }
                if (s[j] == '"') {
                    if (j + 1 < s.size() && s[j + 1] == '"') {
                        t += '"';
                        j += 2;
                        continue;
                    }
                    break;
                }
                t += s[j++];
            }
            i = j + 1;
        } else {
            const size_t start = i;
            while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
                ++i;
            t = s.substr(start, i - start);
        }
        out.push_back({t, mciLower(t)});
    }
    return true;
}

std::optional<long> number(const std::string& s)
{
    long v = 0;
    const char* end = s.data() + s.size();
    const auto r = std::from_chars(s.data(), end, v);
    if (s.empty() || r.ec != std::errc() || r.ptr != end)
        return std::nullopt;
    return v;
}

class Parser {
public:
    explicit Parser(std::vector<Token> t) : t_(std::move(t)) {}

    MciParsed run()
    {
        const std::string verb = t_[0].lower;
        static const std::pair<const char*, MciVerb> verbs[] = {
            {"open", MciVerb::Open},   {"close", MciVerb::Close},   {"set", MciVerb::Set},
            {"play", MciVerb::Play},   {"pause", MciVerb::Pause},   {"resume", MciVerb::Resume},
            {"stop", MciVerb::Stop},   {"status", MciVerb::Status}};
        bool known = false;
        for (const auto& [name, v] : verbs)
            if (verb == name)
                out_.command.verb = v, known = true;
        if (!known)
            return fail(kMciErrBadCommand, "\"" + t_[0].text + "\" is not an MCI command we know.");
        if (t_.size() < 2)
            return fail(kMciErrBadKeyword, "The command \"" + t_[0].text + "\" needs a device name.");
        out_.command.device = t_[1].text;
        pos_ = 2;
        switch (out_.command.verb) {
        case MciVerb::Open: return open();
        case MciVerb::Set: return set();
        case MciVerb::Play: return play();
        case MciVerb::Status: return status();
        default: return pos_ < t_.size() ? unexpected() : out_;
        }
    }

private:
    MciParsed open()
    {
        while (pos_ < t_.size()) {
            const std::string key = t_[pos_].lower;
            if (key != "alias" && key != "type")
                return unexpected();
            const std::string* value = next(key);
            if (!value)
                return out_;
            if (key == "alias")
                out_.command.alias = *value;
            else if (mciLower(*value) != "sequencer")
                return fail(kMciErrBadKeyword, "Only the Sequencer device type can be opened, not \"" +
                                                   *value + "\".");
        }
        return out_;
    }

    MciParsed set()
    {
        if (pos_ >= t_.size())
            return fail(kMciErrBadKeyword, "Set needs Port or Time Format.");
        while (pos_ < t_.size()) {
            const std::string key = t_[pos_].lower;
            if (key == "port") {
                const std::string* value = next("port");
                if (!value)
                    return out_;
                const auto n = mciLower(*value) == "mapper" ? std::optional<long>(-1) : number(*value);
                if (!n || *n < -1 || *n > 32767)
                    return fail(kMciErrBadKeyword, "\"" + *value + "\" is not a port number.");
                out_.command.port = int(*n);
            } else if (key == "time" && pos_ + 1 < t_.size() && t_[pos_ + 1].lower == "format") {
                ++pos_;
                const std::string* value = next("time format");
                if (!value)
                    return out_;
                const std::string f = mciLower(*value);
                if (f != "milliseconds" && f != "ms")
                    return fail(kMciErrBadKeyword, "Only the time format milliseconds is supported, not \"" +
                                                       *value + "\".");
                out_.command.timeFormatMs = true;
            } else {
                return unexpected();
            }
        }
        return out_;
    }

    MciParsed play()
    {
        while (pos_ < t_.size()) {
            if (t_[pos_].lower != "from")
                return unexpected();
            const std::string* value = next("from");
            if (!value)
                return out_;
            const auto n = number(*value);
            if (!n || *n < 0)
                return fail(kMciErrBadKeyword, "\"" + *value + "\" is not a position in milliseconds.");
            out_.command.from = *n;
        }
        return out_;
    }

    MciParsed status()
    {
        if (pos_ + 1 != t_.size())
            return fail(kMciErrBadKeyword, "Status needs one item: Position, Length or Mode.");
        const std::string item = t_[pos_].lower;
        if (item == "position")
            out_.command.item = MciStatusItem::Position;
        else if (item == "length")
            out_.command.item = MciStatusItem::Length;
        else if (item == "mode")
            out_.command.item = MciStatusItem::Mode;
        else
            return unexpected();
        return out_;
    }

    // The value after a keyword; null (and the failure recorded) when it is missing.
    const std::string* next(const std::string& key)
    {
        if (pos_ + 1 >= t_.size()) {
            fail(kMciErrBadKeyword, "\"" + key + "\" needs a value.");
            return nullptr;
        }
        pos_ += 2;
        return &t_[pos_ - 1].text;
    }

    MciParsed unexpected()
    {
        return fail(kMciErrBadKeyword,
                    "\"" + t_[0].text + "\" does not take \"" + t_[pos_].text + "\".");
    }

    MciParsed fail(int error, const std::string& message)
    {
        out_.error = error;
        out_.message = message;
        return out_;
    }

    std::vector<Token> t_;
    size_t pos_ = 0;
    MciParsed out_;
};

} // namespace

std::string mciQuote(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

std::string mciLower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

MciParsed parseMciCommand(const std::string& text)
{
    std::vector<Token> tokens;
    MciParsed bad;
    if (!tokenize(text, tokens, bad.message)) {
        bad.error = kMciErrBadKeyword;
        return bad;
    }
    if (tokens.empty()) {
        bad.error = kMciErrBadCommand;
        bad.message = "The MCI command is empty.";
        return bad;
    }
    return Parser(std::move(tokens)).run();
}

} // namespace lirmus
