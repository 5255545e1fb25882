#include "Midifile.h"

#include "SmfData.h"
#include "TextEncoding.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

namespace lirmus {

using smf::SmfData;
using smf::SmfEvent;

struct Midifile::Impl {
    std::string fileName;
    SmfData data;
    int track = 0;          // 0 = none selected
    long eventIndex = 0;    // 0 = none selected
    const SmfEvent* event = nullptr;
    long tempo = 0;
    std::string text;
    std::string dataString;
    std::string encodingSetting{smf::kAutoEncoding};
    std::unique_ptr<smf::TextDecoder> decoder; // the song's encoding, chosen when it was read

    const smf::TrackRange* selectedTrack() const
    {
        return track ? &data.tracks[size_t(track - 1)] : nullptr;
    }

    bool selectedMeta(uint8_t type, uint32_t minLength, smf::Span& span) const
    {
        if (!event || (event->kind & smf::kKindMask) != smf::kMeta || event->data1 != type) return false;
        span = smf::eventData(data, *event);
        return span.length >= minLength;
    }

    uint8_t byteAt(uint32_t offset) const { return uint8_t(data.bytes[offset]); }

    void deselect()
    {
        eventIndex = 0;
        event = nullptr;
        text.clear();
        dataString.clear();
    }
};

namespace {

/// A message about a file that could be opened: its name, then what is wrong with it.
std::string aboutFile(const std::string& path, const std::string& reason)
{
    return "The file \"" + path + "\" " + reason;
}

struct FileError {
    int number = 0; // 0 = none
    std::string message;
};

/// Reads a whole regular file into bytes.
FileError readWholeFile(const std::string& path, std::string& bytes)
{
    namespace fs = std::filesystem;
    auto cannotOpen = [&path](const std::string& why) {
        return FileError{Midifile::kErrorCannotOpen, "Cannot open the MIDI file \"" + path + "\": " + why};
    };
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) return cannotOpen(ec ? ec.message() : "no such file");
    if (fs::is_directory(st)) return cannotOpen("it is a folder");
    if (!fs::is_regular_file(st)) return cannotOpen("it is not a regular file");
    uint64_t size = fs::file_size(path, ec);
    if (ec) return cannotOpen(ec.message());
    if (size > Midifile::kMaxFileSize)
        return {Midifile::kErrorTooLarge,
                aboutFile(path, "is too large to be a MIDI file (" + std::to_string(size >> 20) + " MB)")};
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return cannotOpen(errno ? std::strerror(errno) : "access denied");

    auto readUpTo = [&](uint64_t total) {
        size_t have = bytes.size();
        bytes.resize(size_t(total));
        in.read(bytes.data() + have, std::streamsize(total - have));
        bytes.resize(have + size_t(in.gcount())); // the file may have shrunk meanwhile
    };
    bytes.clear();
    // A look at the start first, so a large file of another kind is refused at once.
    readUpTo(std::min<uint64_t>(size, smf::kSignatureSize));
    if (!in.bad() && !smf::looksLikeMidi(bytes)) return {Midifile::kErrorNotMidi, aboutFile(path, "is not a MIDI file")};
    if (in) readUpTo(size);
    if (in.bad()) return {Midifile::kErrorCannotOpen, "Cannot read the MIDI file \"" + path + "\""};
    return {};
}

} // namespace

Midifile::Midifile() : d(std::make_unique<Impl>()) {}
Midifile::~Midifile() = default;

void Midifile::setFileName(const std::string& path) { d->fileName = path; }
const std::string& Midifile::FileName() const { return d->fileName; }

void Midifile::setAction(int action)
{
    if (action == 1) {
        std::string bytes;
        FileError error = readWholeFile(d->fileName, bytes);
        if (error.number) {
            setAction(2);
            if (onError) onError(error.number, error.message);
            return;
        }
        loadBytes(std::move(bytes));
    } else if (action == 2) {
        std::string name = std::move(d->fileName);
        std::string encoding = std::move(d->encodingSetting);
        d = std::make_unique<Impl>();
        d->fileName = std::move(name);
        d->encodingSetting = std::move(encoding);
    }
}

void Midifile::loadBytes(std::string bytes)
{
    setAction(2);
    if (bytes.size() > kMaxFileSize) { // event offsets are 32-bit
        if (onError) onError(kErrorTooLarge, aboutFile(d->fileName, "is too large to be a MIDI file"));
        return;
    }
    d->data.bytes = std::move(bytes);
    smf::ParseResult r;
    try {
        r = smf::parse(d->data);
    } catch (const std::bad_alloc&) {
        setAction(2);
        if (onError) onError(kErrorTooLarge, aboutFile(d->fileName, "is too large to read into memory"));
        return;
    }
    if (!r.ok) {
        setAction(2);
        if (onError) onError(kErrorNotMidi, aboutFile(d->fileName, r.reason));
        return;
    }
    d->tempo = d->data.initialTempo;
    d->decoder = smf::decodeTexts(d->data, d->encodingSetting);
}

void Midifile::setTextEncoding(const std::string& setting)
{
    if (setting == d->encodingSetting) return;
    d->encodingSetting = setting;
    // The file's bytes are still here: its texts are read again the new way.
    if (!d->data.tracks.empty()) {
        d->decoder = smf::decodeTexts(d->data, setting);
        d->text.clear();
    }
}

const std::string& Midifile::TextEncoding() const
{
    static const std::string none;
    return d->decoder ? d->decoder->name() : none;
}

std::string Midifile::decodeText(const std::string& bytes) const
{
    return d->decoder ? d->decoder->decode(bytes) : decodeMidiText(bytes);
}

int Midifile::TrackCount() const { return int(d->data.tracks.size()); }
int Midifile::FileFormat() const { return d->data.format; }
long Midifile::TimeFormat() const { return d->data.timeFormat; }
int Midifile::Division() const { return d->data.division; }

long Midifile::Tempo() const
{
    smf::Span s;
    if (!d->selectedMeta(0x51, 3, s)) return d->tempo;
    return (long(d->byteAt(s.offset)) << 16) | (long(d->byteAt(s.offset + 1)) << 8) | long(d->byteAt(s.offset + 2));
}

void Midifile::setTempo(long microsecondsPerQuarter) { d->tempo = microsecondsPerQuarter; }

void Midifile::setTrack(int track)
{
    d->deselect();
    d->track = (track >= 1 && track <= TrackCount()) ? track : 0;
}

int Midifile::Track() const { return d->track; }

long Midifile::EventCount() const
{
    const smf::TrackRange* t = d->selectedTrack();
    return t ? long(t->count) : 0;
}

void Midifile::setEventIndex(long index)
{
    d->deselect();
    const smf::TrackRange* t = d->selectedTrack();
    if (!t || index < 1 || index > long(t->count)) return;
    uint32_t at = t->first + uint32_t(index - 1);
    const SmfEvent& e = d->data.events[at];
    d->eventIndex = index;
    d->event = &e;
    uint8_t kind = e.kind & smf::kKindMask;
    if (kind == smf::kChannel) return;
    smf::Span s = smf::eventData(d->data, e);
    if (kind == smf::kSysexF0) d->dataString.assign(1, '\xF0');
    d->dataString.append(d->data.bytes, s.offset, s.length);
    if (kind == smf::kMeta && e.data1 >= 1 && e.data1 <= 15) d->text = smf::eventText(d->data, at);
}

long Midifile::EventIndex() const { return d->eventIndex; }
long Midifile::EventTime() const { return d->event ? long(d->event->delta) : 0; }
int Midifile::Status() const { return d->event ? d->event->status : 0; }
int Midifile::Data1() const { return d->event ? d->event->data1 : 0; }
int Midifile::Data2() const { return d->event ? d->event->data2 : 0; }

const std::string& Midifile::Text() const { return d->text; }
void Midifile::setText(const std::string& text) { d->text = text; }
const std::string& Midifile::DataString() const { return d->dataString; }
void Midifile::setDataString(const std::string& data) { d->dataString = data; }

int Midifile::KeySignature() const
{
    smf::Span s;
    return d->selectedMeta(0x59, 2, s) ? d->byteAt(s.offset) : 0;
}

int Midifile::KeyMode() const
{
    smf::Span s;
    return d->selectedMeta(0x59, 2, s) ? d->byteAt(s.offset + 1) : 0;
}

} // namespace lirmus
