// Songs whose lyrics were written in legacy code pages: the song's encoding is
// found from all its texts, every syllable decodes to the right characters and
// keeps its place in its line; unsure cases keep the old Windows-1252 rule.
#include "RecordingViews.h"
#include "SampleLyrics.h"
#include "SmfWriter.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

QStringList qLines(const std::vector<std::string>& lines)
{
    QStringList out;
    for (const std::string& l : lines) out << QString::fromStdString(l);
    return out;
}

std::vector<std::string> utf8Lines(const QStringList& lines)
{
    std::vector<std::string> out;
    for (const QString& l : lines) out.push_back(l.toStdString());
    return out;
}

std::string karaokeSong(const QStringList& lines, const char* encoding)
{
    return test::karaokeSong(utf8Lines(lines), encoding);
}

std::string encode(const QString& text, const char* encoding)
{
    std::string bytes = convertText(text.toStdString(), "UTF-8", encoding);
    EXPECT_FALSE(bytes.empty()) << "iconv cannot write " << encoding;
    return bytes;
}

/// Every syllable entry is found at its column of its line.
void expectSyllablesInPlace(const LoadedSong& s, const char* what)
{
    int seen = 0;
    for (long i : s.metaEntries(5)) {
        const QueueEntry& e = s.entry(i);
        if (e.Text.startsWith(QLatin1Char('%'))) continue;
        ASSERT_GE(e.Value, 1) << what;
        ASSERT_LE(e.Value, s.song.LyricLineCount()) << what;
        EXPECT_EQ(s.song.LyricLines[e.Value - 1].mid(e.Extra - 1, e.Text.size()), e.Text)
            << what << ": entry " << i << " line " << e.Value << " column " << e.Extra;
        ++seen;
    }
    EXPECT_GT(seen, 10) << what;
}

const QStringList kRussian = qLines(sampleLyrics()[0].lines);

} // namespace

TEST(TextEncoding, LegacyCodePagesDecodeToTheirLettersInPlace)
{
    for (const SampleLyrics& l : sampleLyrics()) {
        const QStringList lines = qLines(l.lines);
        LoadedSong s;
        s.load(test::karaokeSong(l.lines, l.encoding, lines.first().left(5).toStdString()));
        EXPECT_EQ(s.song.LyricLines, lines) << l.what << " read as " << s.song.TextEncoding.toStdString();
        EXPECT_EQ(s.song.SongTitle, lines.first().left(5)) << l.what;
        EXPECT_NE(s.song.TextEncoding, QStringLiteral("WINDOWS-1252")) << l.what;
        expectSyllablesInPlace(s, l.what);
    }
}

TEST(TextEncoding, TheNameOfTheEncodingFound)
{
    LoadedSong russian;
    russian.load(karaokeSong(kRussian, "KOI8-R"));
    EXPECT_EQ(russian.song.TextEncoding, QStringLiteral("KOI8-R"));
    LoadedSong japanese;
    japanese.load(test::karaokeSong(sampleLyrics()[5].lines, "SHIFT_JIS"));
    EXPECT_EQ(japanese.song.TextEncoding, QStringLiteral("SHIFT_JIS"));
}

TEST(TextEncoding, UnsureTextsKeepWindows1252AndUtf8StaysUtf8)
{
    // A few accented letters say nothing about the code page.
    const QStringList latin = {QStringLiteral("Café au lait"), QStringLiteral("Noël à Paris"), QStringLiteral("la la la")};
    LoadedSong short1252;
    short1252.load(karaokeSong(latin, "WINDOWS-1252"));
    EXPECT_EQ(short1252.song.LyricLines, latin);
    EXPECT_EQ(short1252.song.TextEncoding, QStringLiteral("WINDOWS-1252"));

    // Valid UTF-8 is never read as anything else.
    LoadedSong utf8;
    utf8.load(karaokeSong(kRussian, "UTF-8"));
    EXPECT_EQ(utf8.song.LyricLines, kRussian);
    EXPECT_EQ(utf8.song.TextEncoding, QStringLiteral("UTF-8"));
    expectSyllablesInPlace(utf8, "UTF-8");

    // Plain ASCII needs no detection at all.
    LoadedSong ascii;
    ascii.load(karaokeSong({QStringLiteral("Hello my friend"), QStringLiteral("Sing along")}, "ASCII"));
    EXPECT_EQ(ascii.song.TextEncoding, QStringLiteral("UTF-8"));
    EXPECT_EQ(ascii.song.LyricLines.first(), QStringLiteral("Hello my friend"));
}

TEST(TextEncoding, AGuessThatCannotReadEveryTextIsNotTrusted)
{
    // Shift-JIS lyrics, then the same with one text that ends in half a character.
    const auto song = [](const std::string& last) {
        SmfWriter w;
        w.tracks.emplace_back();
        for (const std::string& line : sampleLyrics()[5].lines)
            w.tracks[0].text(120, 5, convertText("/" + line, "UTF-8", "SHIFT_JIS"));
        w.tracks[0].text(120, 1, last).end(10);
        return w.bytes();
    };
    LoadedSong whole;
    whole.load(song("end"));
    ASSERT_EQ(whole.song.TextEncoding, QStringLiteral("SHIFT_JIS"));
    LoadedSong cut;
    cut.load(song("end \x81"));
    EXPECT_EQ(cut.song.TextEncoding, QStringLiteral("WINDOWS-1252"));
}

TEST(TextEncoding, ALongLatinSongIsNotTakenForAnotherCodePage)
{
    const QStringList french = {
        QStringLiteral("Là-bas près de la rivière"),      QStringLiteral("J'ai rêvé d'un été sans fin"),
        QStringLiteral("Où les étoiles éclairaient"),     QStringLiteral("Le chemin de notre château"),
        QStringLiteral("Tu chantais à côté de moi"),      QStringLiteral("Et ton cœur était léger"),
        QStringLiteral("Déjà l'aube se lève à peine"),    QStringLiteral("Reste près de moi, ma chérie"),
        QStringLiteral("Écoute la mélodie du vent"),      QStringLiteral("Les fenêtres sont ouvertes"),
        QStringLiteral("Où es-tu, mon âme égarée"),       QStringLiteral("Je t'attendrai à la fête")};
    LoadedSong s;
    s.load(karaokeSong(french, "WINDOWS-1252"));
    EXPECT_EQ(s.song.LyricLines, french) << "read as " << s.song.TextEncoding.toStdString();
}

TEST(TextEncoding, TheForcedSettingWins)
{
    const std::string koi8 = karaokeSong(kRussian, "KOI8-R");
    LoadedSong forced;
    forced.settings.TextEncoding = "WINDOWS-1251";
    forced.load(koi8);
    EXPECT_EQ(forced.song.TextEncoding, QStringLiteral("WINDOWS-1251"));
    // What Windows-1251 makes of the KOI8-R bytes, letter for letter.
    const std::string as1251 = convertText(encode(kRussian.first(), "KOI8-R"), "WINDOWS-1251", "UTF-8");
    EXPECT_EQ(forced.song.LyricLines.first(), QString::fromStdString(as1251));

    // Forced on valid UTF-8 too: the user knows better than the bytes.
    LoadedSong latin1;
    latin1.settings.TextEncoding = "windows-1252";
    latin1.load(karaokeSong({QStringLiteral("Ça va"), QStringLiteral("très bien")}, "UTF-8"));
    EXPECT_EQ(latin1.song.LyricLines.first(), QStringLiteral("Ã‡a va"));

    // A name no converter knows is no choice: the song is detected as usual.
    LoadedSong unknown;
    unknown.settings.TextEncoding = "no-such-code-page";
    unknown.load(koi8);
    EXPECT_EQ(unknown.song.LyricLines, kRussian);
}

TEST(TextEncoding, TextPageLinesUseTheSongsEncoding)
{
    // Eight-bit bytes break the MIDI rules inside system exclusive, but files have them.
    SmfWriter w;
    w.tracks.emplace_back();
    for (const QString& line : kRussian) w.tracks[0].text(120, 5, encode(QLatin1Char('/') + line, "WINDOWS-1251"));
    w.tracks[0].sysex(240, std::string("\x43$\x00\x04", 4) + encode(kRussian[1], "WINDOWS-1251") + "\xF7").end(10);
    LoadedSong s;
    s.load(w.bytes());
    EXPECT_EQ(s.song.TextEncoding, QStringLiteral("WINDOWS-1251"));
    EXPECT_EQ(s.song.InfoTexts, QStringList({kRussian[1]}));
}
