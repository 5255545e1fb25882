// The lyrics window offscreen: what its boxes show (read back as pixels),
// the rendering rules, its controls and the settings they write.
#include "ControllerTable.h"
#include "LyricRender.h"
#include "LyricWidgets.h"
#include "LyricRig.h"
#include "Settings.h"
#include "SettingsService.h"
#include "SmfWriter.h"
#include "Twips.h"
#include "frmLyric.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>

#include <memory>

using namespace lirmus;
using namespace lirmus::test;

namespace {

struct Window : LyricRig {
    std::unique_ptr<SettingsService> service;
    std::unique_ptr<frmLyric> w;

    explicit Window(int points = 24, int rows = 2, bool withService = false)
    {
        settings.KaraokeFontSize = points;
        settings.KaraokeRows = rows;
        if (withService) service = std::make_unique<SettingsService>(tempDir() + "/LIRMUS.INI");
        w = std::make_unique<frmLyric>(cursor, settings, service.get());
        w->resize(900, w->height());
        w->show();
        QApplication::processEvents();
    }
    /// The song's lyric lines.
    void lines(const QStringList& l)
    {
        song.LyricLines = l;
        cursor.StartLyric(1);
    }
    QImage lyrics() { return w->picLyr->grab().toImage(); }
    int fileInt(const char* key) { return service->getInt("OPTIONS", key, -99); }
};

bool isPlay(QRgb c) { return qRed(c) > 200 && qGreen(c) < 70 && qBlue(c) < 70; }
/// Play colour blended into the background, as a row squeezed a hundredfold leaves it.
bool isReddish(QRgb c) { return qRed(c) > qGreen(c) + 40 && qRed(c) > qBlue(c) + 40; }
bool isFore(QRgb c) { return qRed(c) < 70 && qGreen(c) < 70 && qBlue(c) < 70; }

/// Leftmost and rightmost x of pixels matching in a band of rows; -1 when none.
std::pair<int, int> spanOf(const QImage& img, const QRect& band, bool (*match)(QRgb))
{
    int lo = -1, hi = -1;
    for (int y = band.top(); y <= band.bottom() && y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (match(img.pixel(x, y))) {
                if (lo < 0 || x < lo) lo = x;
                hi = std::max(hi, x);
            }
    return {lo, hi};
}

} // namespace

TEST(LyricRender, CentringLeavesSmallMarginsAtZeroAndSqueezesOnlyRowsWiderThanTheBox)
{
    Settings s;
    LyricDisplayState state;
    LyricRender r(state, s);
    r.setFont(QFont("DejaVu Sans", 24));
    const QString text = "Twinkle twinkle";
    const long w = r.textWidth(text);
    ASSERT_EQ(w % kTwipsPerPixel, 0);
    r.setBoxWidth(px(int(w) + 120 + 15));
    EXPECT_EQ(r.CenterX(text), 0) << "15 twips of margin is not worth centring for";
    r.setBoxWidth(px(int(w) + 120 + 30));
    EXPECT_EQ(r.CenterX(text), 15);
    r.setBoxWidth(px(int(w) + 120 + 600));
    EXPECT_EQ(r.CenterX(text), 300);
    s.KaraokeCentered = false;
    EXPECT_EQ(r.CenterX(text), 0);

    r.setBoxWidth(px(int(w)));
    EXPECT_FALSE(r.isSqueezed(text)) << "as wide as the box still fits";
    r.setBoxWidth(px(int(w)) - 1);
    EXPECT_TRUE(r.isSqueezed(text));
    EXPECT_EQ(r.RowHeight(), twips(QFontMetrics(QFont("DejaVu Sans", 24)).height()));
    EXPECT_EQ(r.rowBand(3).top(), 2 * px(r.RowHeight()));
}

TEST(LyricWindow, TheSungPartCoversExactlyColumnPlusLengthMinusOneCharactersAndSurvivesARepaint)
{
    Window f(36, 2);
    f.settings.KaraokeCentered = false;
    f.lines({"abcdefghij", "second line"});
    f.cursor.PrintLyric(1, 1, "abc");
    f.cursor.PrintLyric(1, 4, "def"); // the first 6 characters are sung
    const LyricRender& r = f.w->render();
    const QRect band = r.rowBand(f.state.CurLyricRow);
    const QFontMetrics m(r.font());

    // grab() paints the whole box again from the state, as when the window is uncovered.
    const QImage img = f.lyrics();
    const auto play = spanOf(img, band, isPlay), fore = spanOf(img, band, isFore);
    ASSERT_GE(play.first, 0) << "the sung part is drawn again in the play colour";
    EXPECT_GT(play.second, m.horizontalAdvance("abcde"));
    EXPECT_LE(play.second, m.horizontalAdvance("abcdef"));
    EXPECT_GE(fore.first, m.horizontalAdvance("abcdef") - 1) << "the rest is not sung";
    EXPECT_EQ(spanOf(img, r.rowBand(2), isPlay).first, -1) << "the next line is untouched";

    // The same pixels come back after the box is covered and shown again.
    f.w->picLyr->hide();
    f.w->picLyr->show();
    QApplication::processEvents();
    EXPECT_EQ(f.lyrics(), img);
}

TEST(LyricWindow, OverWideRowsAreSqueezedToTheBoxBeforeAndWhileSung)
{
    Window f(24, 2);
    const QString wide = QString("la ").repeated(200);
    f.lines({wide, "short"});
    const int box = f.w->picLyr->width();
    const QRect band = f.w->render().rowBand(1);
    auto before = spanOf(f.lyrics(), band, isFore);
    ASSERT_GE(before.first, 0);
    EXPECT_LE(before.second, box - 4) << "drawn inside the box";
    EXPECT_GT(before.second, box * 3 / 4) << "across the box, not cut off at its natural size";

    f.cursor.PrintLyric(1, 1, wide.left(300));
    const QImage img = f.lyrics();
    const auto play = spanOf(img, band, isPlay), fore = spanOf(img, band, isFore);
    ASSERT_GE(play.first, 0);
    EXPECT_NEAR(play.second, (box - 4) / 2, 12) << "half the row sung: half the squeezed image";
    EXPECT_GE(fore.first, play.second - 2);
}

TEST(LyricWindow, BadLyricsAreShownWithoutHangingTheWindow)
{
    Window f(24, 4);
    const QString cyrillic = QString::fromUtf8("Привет, мир"), greek = QString::fromUtf8("Καλημέρα κόσμε"),
                  japanese = QString::fromUtf8("こんにちは世界");
    QString huge;
    for (int i = 0; i < 2000; ++i) huge += "do ";
    f.lines({"", "   ", "??? ??", cyrillic, greek, japanese, huge});
    EXPECT_EQ(f.state.LyricRowText[1], "??? ??") << "blank lines are skipped, question marks shown";
    EXPECT_EQ(f.state.LyricRowText[2], cyrillic);
    for (int line : {3, 4, 5, 6}) f.cursor.PrintLyric(line, 1, f.song.LyricLines[line - 1]);
    EXPECT_EQ(f.state.LyricRowText[size_t(f.state.CurLyricRow)], japanese);
    const QImage shown = f.lyrics();
    EXPECT_GE(spanOf(shown, f.w->render().rowBand(f.state.CurLyricRow), isPlay).first, 0);

    // 2,000 syllables on one line, each painted as it comes.
    for (int i = 0; i < 2000; ++i) f.cursor.PrintLyric(7, i * 3 + 1 == 1 ? 1 : i * 3 + 1, "do ");
    QApplication::processEvents();
    const QRect band = f.w->render().rowBand(f.state.CurLyricRow);
    EXPECT_EQ(f.state.LyricRowText[size_t(f.state.CurLyricRow)], huge);
    const auto play = spanOf(f.lyrics(), band, isReddish);
    EXPECT_LE(play.second, f.w->picLyr->width() - 4);
    EXPECT_GT(play.second, f.w->picLyr->width() - 30) << "the whole line sung";

    // A song of chords only.
    f.song.LyricLines.clear();
    f.song.ChordList = QStringList{"%Dm", "%A7"};
    f.cursor.ClearLyricDisplay();
    f.cursor.StartLyricA();
    f.cursor.RiposizionaKaraoke(0);
    EXPECT_EQ(f.w->lblAccordo[0]->text(), "Dm");
    EXPECT_EQ(f.w->lblAccordo[1]->text(), "A7");
}

TEST(LyricWindow, CharacterButtonsStopAtTheirLimitsAndWriteTheSize)
{
    Window small(16, 2, true);
    small.w->cmdCharM->click();
    EXPECT_EQ(small.settings.KaraokeFontSize, 12);
    EXPECT_FALSE(small.w->cmdCharM->isEnabled());
    EXPECT_TRUE(small.w->cmdCharP->isEnabled());
    EXPECT_EQ(small.fileInt("KaraokeFontSize"), 12);
    EXPECT_TRUE(small.w->picNextLyr->hasFocus() || !small.w->isActiveWindow());

    Window large(44, 2, true);
    const int rowBefore = large.w->render().RowHeight();
    large.w->cmdCharP->click();
    EXPECT_EQ(large.settings.KaraokeFontSize, 48);
    EXPECT_FALSE(large.w->cmdCharP->isEnabled());
    EXPECT_EQ(large.fileInt("KaraokeFontSize"), 48);
    EXPECT_GT(large.w->render().RowHeight(), rowBefore);

    Window bare(16, 2, false); // no settings service: memory only, no crash
    bare.w->cmdCharM->click();
    EXPECT_EQ(bare.settings.KaraokeFontSize, 12);
}

TEST(LyricWindow, RowScrollBarWritesTheRowsAtOnceAndShowsTheLineBeingSung)
{
    Window f(24, 2, true);
    QStringList lines;
    for (int i = 1; i <= 10; ++i) lines << QString("line %1").arg(i);
    f.lines(lines);
    SongQueue& q = f.song.queue;
    q.create(12);
    for (int i = 1; i <= 10; ++i) {
        const long e = q.add(i * 1000, 255, 5, 0);
        q[e].Value = i;
        q[e].Extra = 1;
        q[e].Text = lines[i - 1];
        q[e].Length = 1000;
    }
    f.song.SongLength = 11000;
    for (int i = 1; i <= 5; ++i) f.cursor.PrintLyric(i, 1, lines[i - 1]);
    f.playerState.CurrentIndex = 5;
    const int heightBefore = f.w->LyricWindowHeight();

    f.w->HSRows->setValue(3);
    EXPECT_EQ(f.fileInt("KaraokeRows"), 3) << "written at once";
    EXPECT_EQ(f.w->lblRows->text(), "3");
    EXPECT_EQ(f.state.LyricRowText[1], "line 5");
    EXPECT_EQ(f.state.LyricRowText[3], "line 7");
    EXPECT_EQ(f.w->LyricWindowHeight(), heightBefore + f.w->render().RowHeight());

    // The options dialog changes the setting and asks for the rows again: the strip follows.
    f.settings.KaraokeRows = 4;
    f.w->PreparaPicLyric();
    EXPECT_EQ(f.w->HSRows->value(), 4);
    EXPECT_EQ(f.w->lblRows->text(), "4");
    EXPECT_EQ(f.state.LyricRowText[4], "line 8");
}

TEST(LyricWindow, TheShrinkLoopStopsAndClearingTheDisplayBringsTheSizeBack)
{
    Window f(32, 4);
    int maximized = 0;
    bool fitsAt20 = true;
    f.w->layoutWindows = [&] { return fitsAt20 ? f.settings.KaraokeFontSize > 20 : true; };
    f.w->mainMaximized = [&] { return maximized > 0; };
    f.w->maximizeMain = [&] { ++maximized; };
    f.w->PreparaAltezza();
    EXPECT_EQ(maximized, 1) << "the main window is maximized first";
    EXPECT_EQ(f.settings.KaraokeFontSize, 20);
    EXPECT_EQ(f.state.SavedFontSize, 32);

    fitsAt20 = false; // never fits: the loop must still end, at a readable size
    f.w->PreparaAltezza();
    EXPECT_GE(f.settings.KaraokeFontSize, frmLyric::kSmallestFontSize);
    EXPECT_LT(f.settings.KaraokeFontSize, frmLyric::kSmallestFontSize + 4);
    EXPECT_EQ(f.state.SavedFontSize, 32);

    f.w->layoutWindows = [] { return false; };
    f.cursor.ClearLyricDisplay();
    EXPECT_EQ(f.settings.KaraokeFontSize, 32);
    EXPECT_EQ(f.state.SavedFontSize, -1);
    EXPECT_EQ(f.w->render().font().pointSize(), 32);
}

TEST(LyricWindow, TextPagesAppearWithTheFirstLineAndAreSungRowByRowWithAPreview)
{
    Window f(20, 2);
    LyricRig& p = f;
    p.song.InfoTexts << "page";
    SongQueue& q = p.song.queue;
    q.create(16);
    const QStringList page = {"one", "two", "three", "four"};
    for (int r = 0; r < 4; ++r) q[q.add(0, 255, 10, 4 + r)].Text = page[r];
    for (int r = 0; r < 4; ++r) q.add(100 + r, 255, 10, 8);
    q[q.add(200, 255, 10, 4)].Text = "next page";
    q.add(300, 0x80, 60, 0); // the last entry ends the song
    p.flags.AbortRequested = false;
    const int heightBefore = f.w->LyricWindowHeight();
    EXPECT_FALSE(f.w->picSysex->isVisibleTo(f.w.get()));

    p.sent(1);
    EXPECT_TRUE(f.w->picSysex->isVisibleTo(f.w.get())) << "the first text-page line shows the page";
    EXPECT_FALSE(f.w->picLyr->isVisibleTo(f.w.get())) << "a song without lyric lines shows only the page";
    EXPECT_EQ(f.w->LyricWindowHeight(), heightBefore - (2 * f.w->render().RowHeight() + 60) +
                                             (4 * f.w->render().RowHeight() + 60));
    for (long i = 2; i <= 6; ++i) p.sent(i);
    EXPECT_EQ(p.state.SysexRow, 3);
    QApplication::processEvents();
    const LyricRender& r = f.w->render();
    QImage img = f.w->picSysex->grab().toImage();
    EXPECT_GE(spanOf(img, r.rowBand(2), isPlay).first, 0);
    EXPECT_EQ(spanOf(img, r.rowBand(3), isPlay).first, -1);
    EXPECT_GE(spanOf(img, r.rowBand(3), isFore).first, 0);

    p.sent(7);
    p.sent(8); // row 4 sung: the next page's first line shows in row 1
    EXPECT_EQ(p.state.SysexRow, 5);
    EXPECT_EQ(p.state.SysexRows[1], "next page");
    img = f.w->picSysex->grab().toImage();
    EXPECT_EQ(spanOf(img, r.rowBand(1), isPlay).first, -1) << "the preview is not sung, also after a repaint";
    EXPECT_GE(spanOf(img, r.rowBand(4), isPlay).first, 0);
    p.sent(8);
    EXPECT_EQ(p.state.SysexRow, 5) << "nothing left to sing";
}

TEST(LyricWindow, AWindowOpenedAfterATextPageShowedStartsWithThePageHidden)
{
    Window f(20, 2);
    f.state.SysexShown = true;
    f.state.SysexBesideLyrics = false;
    frmLyric late(f.cursor, f.settings, nullptr);
    EXPECT_FALSE(f.state.SysexShown);
    EXPECT_TRUE(f.state.SysexBesideLyrics);
    EXPECT_FALSE(late.picSysex->isVisibleTo(&late));
}

TEST(LyricWindow, CountdownBarsAreHalfATwipPerMillisecondInTheirColours)
{
    Window f;
    f.state.NextLyricTime = f.now + 1.5;
    f.state.NextChordTime = f.now + 0.6;
    f.cursor.drawCountdowns(f.now);
    QImage bar = f.w->picNextLyr->grab().toImage();
    EXPECT_EQ(f.w->picNextLyr->barPixels(), px(750));
    EXPECT_EQ(QColor(bar.pixel(px(750) - 1, 2)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(bar.pixel(px(750) + 1, 2)), QColor(255, 255, 255));
    bar = f.w->picNextLyrA->grab().toImage();
    EXPECT_EQ(QColor(bar.pixel(px(300) - 1, 2)), QColor(255, 0, 0));
    f.state.NextLyricTime = 0;
    f.cursor.drawCountdowns(f.now);
    EXPECT_EQ(f.w->picNextLyr->barPixels(), 0);
}

TEST(LyricWindow, EnlargingWritesTheSettingAndAMissingFontIsReplaced)
{
    Window f(24, 2, true);
    int layouts = 0;
    f.w->layoutWindows = [&] { return ++layouts < 0; };
    f.w->cmdMinMax->click();
    EXPECT_TRUE(f.settings.KaraokeEnlarged);
    EXPECT_EQ(f.service->getString("OPTIONS", "KaraokeEnlarged"), "-1");
    EXPECT_EQ(f.w->cmdMinMax->text(), "<");
    EXPECT_EQ(layouts, 1);
    f.w->cmdMinMax->click();
    EXPECT_EQ(f.service->getString("OPTIONS", "KaraokeEnlarged"), "0");
    EXPECT_EQ(f.w->cmdMinMax->text(), ">");

    f.settings.KaraokeFont = "No Such Family At All";
    f.w->CaricaKarFont();
    EXPECT_NE(f.settings.KaraokeFont, "No Such Family At All");
    EXPECT_TRUE(QFontDatabase::hasFamily(QString::fromStdString(f.settings.KaraokeFont)));
    EXPECT_EQ(f.w->render().font().family().toStdString(), f.settings.KaraokeFont);
}

TEST(LyricWindow, ThePitchGuideTakesABandUnderTheRowsWhileTheSettingsShowIt)
{
    Window win;
    frmLyric& w = *win.w;
    EXPECT_TRUE(w.picGuide->isHidden()) << "off until asked for";
    const int plain = w.LyricWindowHeight();
    GuideView view;
    view.nowMs = 1000;
    view.bars = {{500, 1500, 60, 1.0f}}; // one note under the cue line, sung on pitch
    w.guideSource = [&] { return std::optional<GuideView>(view); };

    win.settings.LyricsGuide = true;
    w.followGuideSetting();
    ASSERT_FALSE(w.picGuide->isHidden());
    EXPECT_GT(w.LyricWindowHeight(), plain + 1000) << "the window asks for the guide's room";
    EXPECT_GE(w.picGuide->geometry().top(), w.picLyr->geometry().bottom());
    EXPECT_LE(w.picGuide->geometry().bottom(), w.lbNLyr->geometry().top());
    for (int i = 0; i < 100 && !w.picGuide->view(); ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    ASSERT_TRUE(w.picGuide->view().has_value()) << "the guide follows its source";
    const QImage img = w.picGuide->grab().toImage();
    EXPECT_NEAR(spanOf(img, QRect(0, 0, img.width(), img.height()), isPlay).first, img.width() / 4, 8)
        << "the note sung lights in the play colour from its start";

    w.guideSource = nullptr; // the song ended: the box tells the last score
    w.picGuide->setIdleText("Last song: 87");
    for (int i = 0; i < 100 && w.picGuide->view(); ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    const QImage idle = w.picGuide->grab().toImage();
    const auto [left, right] = spanOf(idle, QRect(0, 0, idle.width(), idle.height()), isPlay);
    EXPECT_GT(left, idle.width() / 3) << "centred";
    EXPECT_LT(right, idle.width() * 2 / 3);
    EXPECT_GT(right - left, idle.width() / 10);

    win.settings.PitchGuide = false; // no guide anywhere
    w.followGuideSetting();
    EXPECT_TRUE(w.picGuide->isHidden());
    EXPECT_EQ(w.LyricWindowHeight(), plain);
}
