// The karaoke screen's plain logic: when each syllable is sung and for how
// long, when singers are counted in, how big the rows and the title may be,
// and what a song is called on the screen.
#include "ScreenLayout.h"
#include "ScreenRender.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "SongCredits.h"
#include "SongQueue.h"
#include "SyllableTimeline.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include <chrono>
#include <thread>

using namespace lirmus;

namespace {

void syllable(SongQueue& q, long ms, int line, int column, const QString& text)
{
    const long i = q.add(double(ms), 255, 5, 0);
    q[i].Value = line;
    q[i].Extra = column;
    q[i].Text = text;
}

int widthAt(QFont f, int pixels, const QString& text)
{
    f.setPixelSize(pixels);
    return QFontMetrics(f).horizontalAdvance(text);
}

} // namespace

TEST(SyllableTimeline, EachSyllableTakesUntilTheNextOneCappedAndChordsDoNotCount)
{
    SongQueue q;
    q.create(10);
    syllable(q, 1000, 1, 1, "Twin");
    syllable(q, 1400, 1, 5, "kle");
    syllable(q, 1400, 1, 1, "%C"); // a chord at the same time
    syllable(q, 1400, 1, 9, "at once");
    syllable(q, 3000, 2, 1, "lit");
    syllable(q, 12000, 3, 1, "star");
    SyllableTimeline t;
    t.build(q);
    ASSERT_EQ(t.syllables().size(), 5u);
    EXPECT_EQ(t.syllables()[0].wipeMs, 400);
    EXPECT_EQ(t.syllables()[1].wipeMs, 1500) << "1600 ms to the next: capped";
    EXPECT_EQ(t.syllables()[2].wipeMs, 1500) << "one at the same time is not the next";
    EXPECT_DOUBLE_EQ(t.sungFraction(1, 1, 900), 0.0);
    EXPECT_DOUBLE_EQ(t.sungFraction(1, 1, 1200), 0.5);
    EXPECT_DOUBLE_EQ(t.sungFraction(1, 1, 1400), 1.0);
    EXPECT_DOUBLE_EQ(t.sungFraction(1, 5, 1400), 0.0);
    EXPECT_DOUBLE_EQ(t.sungFraction(2, 1, 3750), 0.5);
    EXPECT_DOUBLE_EQ(t.sungFraction(7, 1, 3750), 1.0) << "a syllable it does not know is sung";
}

TEST(SyllableTimeline, CountInsComeBeforeTheFirstLineAndAfterGapsOfFiveSecondsAtTheSongsBeat)
{
    SongQueue q;
    q.create(10);
    syllable(q, 2000, 1, 1, "a");
    syllable(q, 6999, 2, 1, "b");  // a gap just short of five seconds
    const long tempo = q.add(8000, 255, 81, 0);
    q[tempo].Value = 60; // one beat a second from here
    syllable(q, 11999, 3, 1, "c"); // five seconds exactly
    const long fast = q.add(12000, 255, 81, 0);
    q[fast].Value = 240; // 250 ms: too fast to count, counted in halves
    syllable(q, 30000, 4, 1, "d");
    SyllableTimeline t;
    t.build(q);
    ASSERT_EQ(t.countIns().size(), 3u);
    EXPECT_EQ(t.countIns()[0].line, 1);
    EXPECT_EQ(t.countIns()[0].beatMs, 500);
    EXPECT_EQ(t.countIns()[1].line, 3);
    EXPECT_EQ(t.countIns()[1].beatMs, 1000);
    EXPECT_EQ(t.countIns()[2].beatMs, 500);
    int line = 0;
    EXPECT_EQ(t.countInBeatsLeft(499, &line), 0);
    EXPECT_EQ(t.countInBeatsLeft(500, &line), 3);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(t.countInBeatsLeft(1999, &line), 1);
    EXPECT_EQ(t.countInBeatsLeft(2000, &line), 0) << "gone as the line begins";
    EXPECT_EQ(t.countInBeatsLeft(6000), 0) << "no count before a shorter gap";
    EXPECT_EQ(t.countInBeatsLeft(8998), 0);
    EXPECT_EQ(t.countInBeatsLeft(8999, &line), 3);
    EXPECT_EQ(line, 3);
    EXPECT_EQ(t.countInBeatsLeft(29000), 2);
}

TEST(ScreenLayout, FourRowsTakeHalfTheHeightAndAWideLineShrinksOnlyItsPage)
{
    const QFont family("DejaVu Sans");
    for (int h : {720, 1080, 2160}) {
        const int half = halfHeightPixels(family, h);
        EXPECT_GE(4 * QFontMetrics([&] { QFont f = family; f.setPixelSize(half); return f; }()).height(), h / 2);
        EXPECT_LT(4 * QFontMetrics([&] { QFont f = family; f.setPixelSize(half - 1); return f; }()).height(), h / 2 + 4);
        const QStringList song{"Twinkle, twinkle little star,", "How I wonder what you are."};
        const int rows = songRowPixels(family, song, QSize(h * 16 / 9, h), h * 16 / 9 * 9 / 10);
        EXPECT_GE(rows, half);
        const QString wide = QString("a line far wider than the screen ").repeated(4);
        const int page = pageRowPixels(family, {song[0], wide}, rows, h * 16 / 9);
        EXPECT_LT(page, rows);
        EXPECT_LE(widthAt(family, page, wide), h * 16 / 9);
        EXPECT_EQ(pageRowPixels(family, song, rows, h * 16 / 9), rows) << "a page that fits keeps the song's size";
    }
}

TEST(ScreenLayout, TheTitleIsNeverCutAndGoesOnTwoLinesRatherThanTiny)
{
    QFont family("DejaVu Sans");
    family.setBold(true);
    const ScreenGeometry g = screenGeometry(QSize(1280, 720));
    const QSize band = g.title.size();
    const TitleFit shortOne = fitTitle(family, {"We Are The Champions", "QUEEN"}, band);
    ASSERT_EQ(shortOne.lines.size(), 1);
    EXPECT_EQ(shortOne.lines[0], QString::fromUtf8("We Are The Champions \u2013 QUEEN"));
    const TitleFit longOne =
        fitTitle(family, {"We Are The Champions", "QUEEN (Mercury, May, Taylor, Deacon) from News of the World"}, band);
    ASSERT_EQ(longOne.lines.size(), 2) << "title and artist, each on its own line";
    for (const TitleFit& fit : {shortOne, longOne})
        for (const QString& line : fit.lines) EXPECT_LE(widthAt(family, fit.pixels, line), band.width()) << line.toStdString();
    const QString endless = QString("A title that goes on ").repeated(8);
    const TitleFit alone = fitTitle(family, {endless, ""}, band);
    ASSERT_EQ(alone.lines.size(), 1);
    EXPECT_LE(widthAt(family, alone.pixels, endless), band.width());
    EXPECT_TRUE(fitTitle(family, {}, band).lines.isEmpty());
}

TEST(ScreenLayout, ThePitchGuideTakesAQuarterUnderTheTitleAndTheRowsMoveDown)
{
    const ScreenGeometry plain = screenGeometry(QSize(1920, 1080));
    EXPECT_TRUE(plain.guide.isEmpty());
    const ScreenGeometry g = screenGeometry(QSize(1920, 1080), true);
    EXPECT_EQ(g.guide.top(), g.title.bottom() + 1);
    EXPECT_EQ(g.guide.height(), 1080 * 24 / 100);
    EXPECT_EQ(g.guide.left(), g.margin);
    EXPECT_GT(g.rows.top(), g.guide.bottom()) << "the rows never lie under the guide";
    EXPECT_EQ(g.rows.bottom(), plain.rows.bottom());
    EXPECT_EQ(g.bottom, plain.bottom);
    EXPECT_GE(g.rows.height(), 1080 / 2) << "four rows still fit half the height";
}

TEST(SongCredits, TitleLinesNameTheSongElseItsFileName)
{
    EXPECT_EQ(creditsFrom({"  Negra Sombra ", "", "Music: Xoan Montes", "Lyrics: R. de Castro"}, "/x/y.kar").title,
              "Negra Sombra");
    EXPECT_EQ(creditsFrom({"Negra Sombra", " ", "Music: Xoan  Montes"}, "/x/y.kar").artist, "Music: Xoan Montes");
    const SongCredits fromName = creditsFrom({}, "/songs/mozart_ave.verum.mid");
    EXPECT_EQ(fromName.title, "mozart ave.verum");
    EXPECT_EQ(fromName.artist, "");

    const std::string path = lirmus::test::tempDir() + "/credits.kar";
    lirmus::test::SmfWriter w(1, 480);
    w.track().text(0, 1, "@KMIDI KARAOKE FILE").text(0, 1, "@TThe Title").end();
    w.track().text(0, 1, "@TThe Artist").text(10, 5, "la").end();
    ASSERT_TRUE(w.save(path));
    const SongCredits read = readSongCredits(QString::fromStdString(path));
    EXPECT_EQ(read.title, "The Title");
    EXPECT_EQ(read.artist, "The Artist");
    EXPECT_EQ(readSongCredits("/nowhere/lost_song.kar").title, "lost song");
}

TEST(ScreenRender, TheHelperDrawsLinesAheadAndANewLookDiscardsWhatItHadDrawn)
{
    Settings s;
    s.ScreenOutline = false; // the colours alone, to count them
    ScreenRender r(s);
    r.setSize(QSize(1280, 720));
    QFont f("DejaVu Sans");
    f.setPixelSize(60);
    r.setRowFont(f);
    const QString line = "la la la la";
    const auto waitWarm = [&] {
        for (int i = 0; i < 500 && !r.isWarm(line); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return r.isWarm(line);
    };
    EXPECT_TRUE(r.warm(line));
    EXPECT_FALSE(r.warm(line)) << "asked once";
    ASSERT_TRUE(waitWarm());
    EXPECT_FALSE(r.warm(line)) << "there already";

    // A line under way when the look changes is thrown away when it comes back.
    const QString big = QString("a long line drawn large ").repeated(3);
    QFont large = f;
    large.setPixelSize(400);
    r.warm(big, 400);
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the helper has begun it
    s.ScreenTextColor = rgbLong(0, 255, 0);
    s.ScreenSungColor = rgbLong(255, 0, 255);
    r.lookChanged();
    EXPECT_FALSE(r.isWarm(line)) << "drawn in the old colours";
    r.setRowFont(large);
    for (int i = 0; i < 100; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(r.isWarm(big)) << "begun in the old colours";
    r.setRowFont(f);
    EXPECT_TRUE(r.warm(line));
    ASSERT_TRUE(waitWarm());
    QImage shot(1280, 720, QImage::Format_RGB32);
    shot.fill(Qt::black);
    QPainter p(&shot);
    const QRect band = r.rowBand(1, 1);
    const int half = r.textWidth("la la ");
    r.drawRow(p, band, line, half);
    p.end();
    int green = 0, magenta = 0, white = 0, greenLeft = 0, magentaRight = 0;
    const int split = r.textLeft(line, band) + half;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = 0; x < 1280; ++x) {
            const QColor c = shot.pixelColor(x, y);
            green += c == QColor(0, 255, 0), magenta += c == QColor(255, 0, 255), white += c == Qt::white;
            greenLeft += c == QColor(0, 255, 0) && x < split - 2;
            magentaRight += c == QColor(255, 0, 255) && x > split + 2;
        }
    EXPECT_GT(green, 200);
    EXPECT_GT(magenta, 200);
    EXPECT_EQ(white, 0) << "nothing of the old look";
    EXPECT_EQ(greenLeft, 0) << "the sung part is in the sung colour";
    EXPECT_EQ(magentaRight, 0) << "the rest in the colour still to sing";
}
