#include "SongContent.h"

#include "Midifile.h"

#include <QCryptographicHash>
#include <QFile>

#include <vector>

namespace lirmus {

namespace {

bool isTitle(const std::string& text) { return text.size() >= 2 && text[0] == '@' && text[1] == 'T'; }

// Texts that are not sung: karaoke tags ("@K", "@L", ...) and chord symbols.
bool isSungText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.startsWith('@') || t.startsWith('%')) return false;
    return !(t.startsWith('[') && t.endsWith(']'));
}

} // namespace

bool looksLikeMidi(const QByteArray& head)
{
    if (head.startsWith("MThd")) return true;
    return head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "RMID";
}

QString joinSyllables(const QStringList& syllables)
{
    QString out;
    for (QString s : syllables) {
        s.remove(QChar(0));
        s.replace('\r', '\n');
        if (!s.isEmpty() && QStringLiteral("/\\<|").contains(s[0])) s[0] = '\n';
        s.replace('_', ' ');
        out += s;
    }
    // One line per sung line, without blank ones.
    QStringList lines;
    for (const QString& line : out.split('\n'))
        if (!line.simplified().isEmpty()) lines << line.simplified();
    return lines.join('\n');
}

SongContent songContentOf(const QByteArray& bytes)
{
    SongContent c;
    if (bytes.isEmpty()) {
        c.kind = SongContent::Kind::Empty;
        c.reason = "empty file";
        return c;
    }
    if (!looksLikeMidi(bytes)) {
        c.kind = SongContent::Kind::NotMidi;
        c.reason = "not a MIDI file";
        return c;
    }
    Midifile file;
    std::string problem;
    file.onError = [&problem](int, const std::string& message) { problem = message; };
    file.loadBytes(bytes.toStdString());
    if (file.TrackCount() == 0) {
        c.kind = SongContent::Kind::NotMidi;
        c.reason = "not a MIDI file: it holds no readable track";
        return c;
    }
    c.kind = SongContent::Kind::Song;
    c.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();

    // The lyrics are the track with the most lyric events, else the one with the most sung texts.
    std::vector<QStringList> lyricEvents(size_t(file.TrackCount())), textEvents(size_t(file.TrackCount()));
    for (int t = 1; t <= file.TrackCount(); ++t) {
        file.setTrack(t);
        const long n = file.EventCount();
        for (long e = 1; e <= n; ++e) {
            file.setEventIndex(e);
            if (file.Status() != 255) continue;
            const int type = file.Data1();
            if (type < 1 || type > 15) continue;
            const std::string& raw = file.Text();
            if (type == 1 && isTitle(raw)) {
                c.titleLines << QString::fromStdString(raw.substr(2));
                continue;
            }
            if (type != 1 && type != 5) continue;
            const QString text = QString::fromStdString(raw);
            if (!isSungText(text)) continue;
            (type == 5 ? lyricEvents : textEvents)[size_t(t - 1)] << text;
        }
    }
    auto most = [](const std::vector<QStringList>& tracks) {
        size_t best = 0;
        for (size_t i = 1; i < tracks.size(); ++i)
            if (tracks[i].size() > tracks[best].size()) best = i;
        return best;
    };
    const size_t lyricTrack = most(lyricEvents);
    const QStringList& sung = !lyricEvents[lyricTrack].isEmpty() ? lyricEvents[lyricTrack] : textEvents[most(textEvents)];
    c.lyrics = joinSyllables(sung);
    return c;
}

SongContent readSongContent(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        SongContent c;
        c.reason = "cannot be read: " + f.errorString();
        return c;
    }
    if (f.size() > qint64(Midifile::kMaxFileSize)) {
        SongContent c;
        c.kind = SongContent::Kind::NotMidi;
        c.reason = "too large to be a MIDI file";
        return c;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        SongContent c;
        c.reason = "cannot be read: " + f.errorString();
        return c;
    }
    return songContentOf(bytes);
}

bool namesFromTitles(const QStringList& titleLines, TitleNames* out)
{
    QStringList lines;
    for (const QString& l : titleLines)
        if (!l.simplified().isEmpty()) lines << l.simplified();
    if (lines.isEmpty()) return false;
    out->name = lines[0];
    out->author.clear();
    if (lines.size() > 1) {
        out->author = lines[1];
    } else {
        const qsizetype dash = lines[0].indexOf(" - ");
        if (dash > 0) {
            out->name = lines[0].left(dash).trimmed();
            out->author = lines[0].mid(dash + 3).trimmed();
        }
    }
    return true;
}

} // namespace lirmus
