// The MIDI information window: what it shows for a prepared song, and Esc.
#include "MidiInfoText.h"
#include "RecordingViews.h"
#include "SmfWriter.h"
#include "Jobs.h"
#include "frmMidiInfo.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QtCore/qtestsupport_core.h>

#include <filesystem>

using namespace lirmus;
using namespace lirmus::test;

namespace {

QString boxText(const QPlainTextEdit* box) { return box->toPlainText(); }

/// What the window shows, with the window's line breaks.
QString shown(const QStringList& lines) { return midiInfoBoxText(lines).replace("\r\n", "\n"); }

} // namespace

TEST(MidiInfoText, LyricBoxHoldsLinesThenTheInformationTexts)
{
    SongState song;
    song.LyricLines = {"Twinkle twinkle", "little star"};
    song.ChordList = {"%C", "%G7"};
    EXPECT_EQ(midiInfoChordLines(song), QStringList({"C", "G7"}));
    EXPECT_EQ(midiInfoBoxText(midiInfoLyricLines(song)), "Twinkle twinkle\r\nlittle star");

    song.InfoTexts = {"first", "second"};
    EXPECT_EQ(midiInfoBoxText(midiInfoLyricLines(song)),
              "Twinkle twinkle\r\nlittle star\r\n\r\n------------------ RIZIVUVO ------------------\r\n\r\nfirst\r\nsecond");
    song.LyricLines.clear();
    EXPECT_EQ(midiInfoBoxText(midiInfoLyricLines(song)),
              "------------------ RIZIVUVO ------------------\r\n\r\nfirst\r\nsecond");
}

TEST(MidiInfoWindow, RealKaraokeSongFillsAllThreeBoxesAtTheTopCentre)
{
    const std::string path = sharedTestData() + "/twinkle.kar";
    if (sharedTestData().empty() || !std::filesystem::exists(path)) GTEST_SKIP() << "no shared test songs";
    LoadedSong s;
    s.loadFile(path);
    ASSERT_GT(s.song.LyricLineCount(), 0);

    frmMidiInfo w(s.song);
    EXPECT_EQ(w.windowTitle(), "Midi Info");
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        EXPECT_EQ(w.y(), screen->availableGeometry().y());
        EXPECT_NEAR(w.x() + w.width() / 2, screen->availableGeometry().center().x(), 1);
    }
    w.Form_Activate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.filling(); }));
    EXPECT_EQ(boxText(w.txtInfo), QString(s.song.SongText).replace("\r\n", "\n"));
    EXPECT_EQ(boxText(w.txtLyrics), shown(midiInfoLyricLines(s.song)));
    EXPECT_TRUE(boxText(w.txtLyrics).startsWith(s.song.LyricLines.front()));
    EXPECT_EQ(boxText(w.txtChords), shown(midiInfoChordLines(s.song)));

    // Every activation fills it afresh, never twice over.
    w.Form_Activate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.filling(); }));
    EXPECT_EQ(boxText(w.txtLyrics), shown(midiInfoLyricLines(s.song)));
}

TEST(MidiInfoWindow, SongWithoutLyricsShowsOnlyItsText)
{
    SmfWriter smf;
    smf.track().text(0, 1, "@TJust a tune").text(0, 2, "(c) made for the test").note(0, 0, 60, 100).noteOff(480, 0, 60).end();
    LoadedSong s;
    s.load(smf.bytes());
    ASSERT_FALSE(s.song.SongText.isEmpty());

    frmMidiInfo w(s.song);
    w.Form_Activate();
    EXPECT_EQ(boxText(w.txtInfo), "@TJust a tune\n(c) made for the test\n");
    EXPECT_TRUE(boxText(w.txtLyrics).isEmpty());
    EXPECT_TRUE(boxText(w.txtChords).isEmpty());
}

TEST(MidiInfoWindow, TheFormatTempoAndLengthStandAboveTheTexts)
{
    // Two tracks; the tempo goes from 120 to 150 BPM halfway.
    SmfWriter smf(1, 480);
    smf.track().tempo(0, 500000).tempo(1920, 400000).end(1920);
    smf.track().note(0, 0, 60, 100).noteOff(3840, 0, 60).end();
    LoadedSong s;
    s.load(smf.bytes());
    // 1,920 ticks at 500 ms a quarter, then 1,920 at 400 ms: 2,000 + 1,600 ms.
    EXPECT_EQ(midiInfoSummary(s.song), "Format 1, 2 tracks   Tempo 120-150 BPM   Length 00:03");

    SmfWriter one(0, 96);
    one.track().note(0, 0, 60, 100).noteOff(96 * 2 * 125, 0, 60).end(); // 125 s at the default tempo
    LoadedSong plain;
    plain.load(one.bytes());
    EXPECT_EQ(midiInfoSummary(plain.song), "Format 0, 1 track   Tempo 120 BPM   Length 02:05");

    frmMidiInfo w(s.song);
    w.Form_Activate();
    EXPECT_EQ(w.lblSummary->text(), midiInfoSummary(s.song));
    w.layout()->activate();
    EXPECT_LT(w.lblSummary->y(), w.txtInfo->y());
}

TEST(MidiInfoWindow, FilledInSlicesShowsWhatADirectFillShows)
{
    SongState song;
    for (int i = 0; i < 500; ++i) song.LyricLines << QString("line %1").arg(i);
    for (int i = 0; i < 130; ++i) song.ChordList << QString("%%C%1").arg(i);
    song.InfoTexts = {"first", "second"};
    frmMidiInfo w(song);
    w.fillJob()->unitsPerSlice = 50;
    w.fillJob()->sliceMillis = 60000;
    w.show();
    w.Form_Activate();
    // The first slice at once, the rest later: the chords first, then the lyrics.
    EXPECT_TRUE(w.filling());
    EXPECT_EQ(boxText(w.txtChords).count('\n'), 49);
    EXPECT_TRUE(boxText(w.txtLyrics).isEmpty());
    // An activation meanwhile does not start over.
    w.Form_Activate();
    EXPECT_EQ(boxText(w.txtChords).count('\n'), 49);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.filling(); }));
    EXPECT_EQ(boxText(w.txtChords), shown(midiInfoChordLines(song)));
    EXPECT_EQ(boxText(w.txtLyrics), shown(midiInfoLyricLines(song)));
    EXPECT_TRUE(boxText(w.txtLyrics).endsWith("first\nsecond"));
    EXPECT_FALSE(w.stopRequested());
    // A second fill gives the same again, not twice over.
    w.Form_Activate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.filling(); }));
    EXPECT_EQ(boxText(w.txtLyrics), shown(midiInfoLyricLines(song)));
    EXPECT_EQ(boxText(w.txtChords), shown(midiInfoChordLines(song)));
}

TEST(MidiInfoWindow, EscStopsTheFillingAndClosesTheWindow)
{
    SongState song;
    for (int i = 0; i < 500; ++i) song.LyricLines << QString("line %1").arg(i);
    QPointer<frmMidiInfo> w = new frmMidiInfo(song);
    w->fillJob()->unitsPerSlice = 20;
    w->fillJob()->sliceMillis = 60000;
    w->show();
    w->Form_Activate();
    QCoreApplication::processEvents(); // one more slice
    ASSERT_TRUE(w);
    EXPECT_EQ(boxText(w->txtLyrics).count('\n'), 39);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &esc);
    ASSERT_TRUE(w); // deleted only when the event loop gets it back
    EXPECT_TRUE(w->stopRequested());
    EXPECT_FALSE(w->filling());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(boxText(w->txtLyrics).count('\n'), 39);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
    QTest::qWait(20); // nothing fills a window that has gone
}

TEST(MidiInfoWindow, ShowingAgainReusesTheOpenWindow)
{
    SongState song;
    song.LyricLines = {"one"};
    QWidget parent;
    frmMidiInfo* first = showMidiInfo(song, &parent);
    song.LyricLines = {"one", "two"};
    frmMidiInfo* second = showMidiInfo(song, &parent);
    EXPECT_EQ(first, second);
    EXPECT_EQ(boxText(second->txtLyrics), "one\ntwo");
    EXPECT_TRUE(second->isVisible());
}
