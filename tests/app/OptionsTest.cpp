// The options dialog driven through its handlers on a real settings file.
#include "ControllerTable.h"
#include "OptionsLogic.h"
#include "SampleLyrics.h"
#include "Player.h"
#include "Settings.h"
#include "SettingsService.h"
#include "SmfWriter.h"
#include "SynthDevice.h"
#include "TestDevice.h"
#include "AppState.h"
#include "frmIndic.h"
#include "frmMain.h"
#include "frmMidiInfo.h"
#include "KaraokeScreenPage.h"
#include "SingController.h"
#include "SingPage.h"
#include "frmOptions.h"
#include "LyricWidgets.h"
#include "frmLyric.h"
#include "frmPlay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QPlainTextEdit>
#include <QTimer>

#include <filesystem>
#include <memory>

using namespace lirmus;
using namespace lirmus::test;

namespace {

/// What the dialog makes the other windows do.
struct Views : NullDisplays, LyricsDisplay {
    int rebuilds = 0, beeps = 0;
    QStringList messages;
    void beep() override { ++beeps; }
    void messageBox(const QString& t, MessageIcon) override { messages << t; }
    void PreparaPicLyric() override { ++rebuilds; }
    void lyricRowChanged(int) override {}
    void sysexRowChanged(int) override {}
    void captionChanged(LyricCaption, const QString&) override {}
    void countdownsChanged(int, int) override {}
    void PreparaAltezza() override {}
    void restoreFontSize(int) override {}
};

/// A song cued in player (AutoStart on): the transport's controls are in use.
void cueSong(Player& player)
{
    const std::string path = tempDir() + "cued.kar";
    writeFile(path, karaokeSong({"la la la"}, "UTF-8"));
    player.playSong(QString::fromStdString(path), 0);
    ASSERT_TRUE(player.state().buttons.Seek);
}

/// A player started from a settings file, with the dialog opened on it.
struct Options {
    std::string dir = tempDir();
    Settings settings;
    std::unique_ptr<SettingsService> ini;
    ControllerTable controllers = defaultControllerTable();
    // What the player uses outlives it: members go in reverse order.
    TestDevice device;
    Views views;
    std::unique_ptr<Player> player;
    std::unique_ptr<frmOptions> dialog;
    QStringList colourTitles, warnings;

    explicit Options(const std::string& iniText, bool realDevice = false)
    {
        settings.AppPath = makeAppPath(dir);
        writeFile(settings.iniPath(), iniText);
        ini = std::make_unique<SettingsService>(settings.iniPath());
        readOptions(*ini, settings);
        player = std::make_unique<Player>(settings, controllers);
        player->lyrics().attachSurface(&views);
        player->hub().attachApp(&views);
        if (realDevice) player->output().setAudioOutput(false);
        else player->output().useTestDevice(&device);
        player->openOutput();
        open();
    }

    void open()
    {
        dialog = std::make_unique<frmOptions>(settings, *ini, *player);
        dialog->showMessage = [this](const QString& t) { warnings << t; };
    }

    /// The settings file as it is on disk now.
    std::string file()
    {
        ini->flush();
        return readFile(settings.iniPath());
    }
};

std::string firstDefaultSoundFont()
{
    for (const std::string& path : defaultSoundFonts())
        if (std::filesystem::is_regular_file(path)) return path;
    return {};
}

} // namespace

TEST(OptionsLogic, EntryTextsLabelsAndSizes)
{
    EXPECT_EQ(deviceEntryText("Synth", 5, 2 * 256 + 3), "Synth (Mapper - Driver Vers.2.3)");
    EXPECT_EQ(deviceEntryText("Port A", 1, 0), "Port A (Out Port - Driver Vers.0.0)");
    EXPECT_EQ(technologyName(9), "Unknown"); // a kind the list does not know

    EXPECT_EQ(signedText(0), "+0");
    EXPECT_EQ(signedText(12), "+12");
    EXPECT_EQ(signedText(-100), "-100");

    EXPECT_EQ(fontSizeOption(18), 0);
    EXPECT_EQ(fontSizeOption(30), 1);
    EXPECT_EQ(fontSizeOption(-4), 1);
    EXPECT_EQ(fontSizeOption(36), 2);
    EXPECT_EQ(optionFontSize(0), 18);
    EXPECT_EQ(optionFontSize(1), 24);
    EXPECT_EQ(optionFontSize(2), 36);

    bool missing = true;
    EXPECT_EQ(devicePositionToSelect(-1, 3, &missing), -1);
    EXPECT_FALSE(missing);
    EXPECT_EQ(devicePositionToSelect(2, 3, &missing), 2);
    EXPECT_FALSE(missing);
    for (int stored : {3, 40, -7}) {
        EXPECT_EQ(devicePositionToSelect(stored, 3, &missing), 0) << stored;
        EXPECT_TRUE(missing) << stored;
    }
}

TEST(Options, LoadShowsTheSettingsInTheirControls)
{
    Options o("[OPTIONS]\nAutoStart=-1\nTurboStart=0\nItalianNotation=-1\nTempoChange=0\nKeyChange=-3\n"
              "SoloLevel=40\nMelodyChannel=4\nKaraokeFontSize=30\nKaraokeRows=4\nKaraokeCentered=0\n");
    frmOptions& d = *o.dialog;
    EXPECT_EQ(d.windowTitle(), "Opzioni");
    EXPECT_FALSE(d.chkAutoStart->isChecked()); // stored True means "wait for Play"
    EXPECT_FALSE(d.chkTurboStart->isChecked());
    EXPECT_TRUE(d.chkItalian->isChecked());
    EXPECT_EQ(d.lblTempo->text(), "+0");
    EXPECT_EQ(d.lblKey->text(), "-3");
    EXPECT_EQ(d.lblSoloVal->text(), "40");
    EXPECT_EQ(d.HSMelody->value(), 4);
    EXPECT_EQ(d.lblChMelody->text(), "04");
    EXPECT_EQ(o.settings.MelodyChannel, 3);
    EXPECT_TRUE(d.optChar[1]->isChecked()); // 30 is neither Small nor Big
    EXPECT_TRUE(d.optRows[2]->isChecked());
    EXPECT_FALSE(d.chkCent->isChecked());
    EXPECT_EQ(d.lstKarFonts->count(), QFontDatabase::families().size());
    EXPECT_EQ(d.tbsOptions->count(), 5);
    EXPECT_EQ(d.tbsOptions->tabToolTip(1), "Midi output parameters");

    // Every value label follows its scroll bar.
    d.HSTempo->setValue(-25);
    d.HSMelody->setValue(10);
    EXPECT_EQ(d.lblTempo->text(), "-25");
    EXPECT_EQ(d.lblChMelody->text(), "10");
}

TEST(Options, DeviceListStartsWithTheMapperAndKeepsThePlayersDevice)
{
    Options o("[LOAD]\nMIDIDEVICE=1\n");
    MIDIOutput& out = o.player->output();
    const int selected = out.DeviceID();
    out.setDeviceID(-1);
    const std::string mapper = out.DeviceName() + " (Mapper - Driver Vers." + std::to_string(out.DriverVersion() / 256) +
                               "." + std::to_string(out.DriverVersion() % 256) + ")";
    out.setDeviceID(selected);
    o.open();

    QComboBox* list = o.dialog->OutputDevCombo;
    ASSERT_GE(list->count(), 2); // the mapper and the built-in synthesizer are always there
    EXPECT_EQ(list->itemText(0).toStdString(), mapper);
    EXPECT_TRUE(list->itemText(1).contains("(Int Synth - Driver Vers."));
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(out.DeviceID(), selected);
}

TEST(Options, AutoStartAndMelodyChannelAreStoredAsTheFileHoldsThem)
{
    Options o("[OPTIONS]\nAutoStart=-1\nMelodyChannel=4\n");
    o.dialog->chkAutoStart->setChecked(true);
    o.dialog->HSMelody->setValue(5);
    o.dialog->cmdOK_Click();
    EXPECT_FALSE(o.settings.AutoStart);
    EXPECT_EQ(o.settings.MelodyChannel, 4); // channel 05 is index 4
    EXPECT_EQ(o.ini->getString("OPTIONS", "AutoStart"), "0");
    EXPECT_EQ(o.ini->getString("OPTIONS", "MelodyChannel"), "5");
}

TEST(Options, TextEncodingOffersAutoAndTheEncodingsAndIsStoredWhenChanged)
{
    Options o("[OPTIONS]\nTextEncoding=koi8-r\n");
    QComboBox& box = *o.dialog->cboTextEncoding;
    EXPECT_EQ(box.itemText(0), "auto");
    EXPECT_GE(box.findText("WINDOWS-1251"), 1);
    EXPECT_GE(box.findText("SHIFT_JIS"), 1);
    EXPECT_EQ(box.currentText(), "KOI8-R") << "the setting is shown as listed, whatever its case";
    o.dialog->cmdOK_Click();
    EXPECT_EQ(o.ini->getString("OPTIONS", "TextEncoding"), "koi8-r") << "an unchanged choice is not rewritten";

    Options d("");
    EXPECT_EQ(d.dialog->cboTextEncoding->currentText(), "auto");
    d.dialog->cboTextEncoding->setCurrentText("WINDOWS-1251");
    d.dialog->cmdApply_Click();
    EXPECT_EQ(d.settings.TextEncoding, "WINDOWS-1251");
    EXPECT_EQ(d.ini->getString("OPTIONS", "TextEncoding"), "WINDOWS-1251");
}

TEST(Options, WholeFileAfterOkAndAfterCancelFollowingApply)
{
    const std::string before = "; my settings\n[OPTIONS]\nKaraokeFont=Arial\nTempoChange=5\n\n[LOAD]\nMIDIDEVICE=1\n";
    Options o(before);
    frmOptions& d = *o.dialog;
    d.chkItalian->setChecked(true);
    d.HSKey->setValue(2);
    d.cmdOK_Click();
    EXPECT_EQ(o.file(), "; my settings\n[OPTIONS]\nKaraokeFont=Arial\nTempoChange=5\n"
                        "ItalianNotation=-1\nTurboStart=-1\nAutoStart=-1\nKeyChange=2\nSoloLevel=32\n"
                        "MelodyChannel=4\nExternalMCI=0\nFilterLyrics=0\n\n[LOAD]\nMIDIDEVICE=1\n");
    EXPECT_EQ(o.views.rebuilds, 0); // the karaoke look did not change

    // Apply, then more edits and Cancel: what was applied stays, nothing else.
    Options c(before);
    c.dialog->chkMCI->setChecked(true);
    c.dialog->optChar_Click(2);
    c.dialog->cmdApply_Click();
    const std::string applied = c.file();
    c.dialog->HSTempo->setValue(-50);
    c.dialog->optRows_Click(1);
    c.dialog->lstKarFonts_Click("Other");
    c.dialog->cmdCancel_Click();
    EXPECT_EQ(c.file(), applied);
    EXPECT_EQ(applied, "; my settings\n[OPTIONS]\nKaraokeFont=Arial\nTempoChange=5\n"
                       "ItalianNotation=0\nTurboStart=-1\nAutoStart=-1\nKeyChange=0\nSoloLevel=32\n"
                       "MelodyChannel=4\nExternalMCI=-1\nFilterLyrics=0\nKaraokeForecolor=0\n"
                       "KaraokeBackcolor=16777215\nKaraokePlaycolor=255\nKaraokeRows=2\nKaraokeFontSize=36\n"
                       "KaraokeCentered=-1\n\n[LOAD]\nMIDIDEVICE=1\n");
    EXPECT_TRUE(c.settings.ExternalMCI);
    EXPECT_EQ(c.settings.KaraokeFontSize, 36);
    EXPECT_EQ(c.settings.TempoChange, 5);
}

TEST(Options, KaraokeKeysAreStoredOnceAndTheLyricsWindowRebuilt)
{
    Options o("[OPTIONS]\nKaraokeFont=Arial\n");
    int karaokeWrites = 0;
    o.ini->listen([&](const std::string&, const std::string& key) {
        if (key.rfind("Karaoke", 0) == 0) ++karaokeWrites;
    });
    o.dialog->lstKarFonts_Click("Some Font");
    o.dialog->cmdApply_Click();
    EXPECT_EQ(o.settings.KaraokeFont, "Some Font");
    EXPECT_EQ(o.views.rebuilds, 1);
    const std::string once = o.file();
    for (const char* key : {"KaraokeFont=Some Font", "KaraokeForecolor=", "KaraokeBackcolor=", "KaraokePlaycolor=",
                            "KaraokeRows=", "KaraokeFontSize=", "KaraokeCentered="})
        EXPECT_NE(once.find(key), std::string::npos) << key;

    // A second Apply with no karaoke change stores none of them and rebuilds nothing;
    // a key changed behind the dialog's back shows whether it was written again.
    o.ini->setString("OPTIONS", "KaraokeRows", "3");
    karaokeWrites = 0;
    o.dialog->cmdApply_Click();
    EXPECT_EQ(o.views.rebuilds, 1);
    EXPECT_EQ(karaokeWrites, 0);
    EXPECT_EQ(o.ini->getString("OPTIONS", "KaraokeRows"), "3");
}

TEST(Options, SampleFollowsThePendingLook)
{
    Options o("[OPTIONS]\nKaraokeFontSize=18\nKaraokeBackColor=0\nKaraokePlayColor=255\n");
    frmOptions& d = *o.dialog;
    EXPECT_TRUE(d.optChar[0]->isChecked());
    // A bigger size moves nothing: the next click lands where the user aimed.
    d.resize(600, 500);
    d.tbsOptions->setCurrentIndex(2);
    d.show();
    QCoreApplication::processEvents();
    const QRect sample = d.picKaraoke->geometry(), fonts = d.lstKarFonts->geometry(),
                colour = d.cmdKarColor[0]->geometry();
    d.optChar_Click(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(d.PendingFontSize, 36);
    EXPECT_EQ(d.picKaraoke->geometry(), sample);
    EXPECT_EQ(d.lstKarFonts->geometry(), fonts);
    EXPECT_EQ(d.cmdKarColor[0]->geometry(), colour);

    QColor offered;
    d.chooseColor = [&](const QColor& initial, const QString& title) {
        offered = initial;
        o.colourTitles << title;
        return QColor(0, 128, 255);
    };
    d.cmdKarColor_Click(2);
    EXPECT_EQ(o.colourTitles, QStringList{"Choose Played Color..."});
    EXPECT_EQ(offered, QColor(255, 0, 0));
    EXPECT_EQ(d.PendingPlayColor, rgbLong(0, 128, 255));
    d.chooseColor = [](const QColor&, const QString&) { return QColor(); }; // cancelled
    d.cmdKarColor_Click(0);
    EXPECT_EQ(d.PendingBackColor, 0);

    // The sample: the sung start in the played colour over the background.
    d.resize(600, 500);
    d.tbsOptions->setCurrentIndex(2);
    const QImage image = d.picKaraoke->grab().toImage();
    int played = 0, back = 0;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            played += c == QColor(0, 128, 255);
            back += c == QColor(0, 0, 0);
        }
    EXPECT_GT(played, 20);
    EXPECT_GT(back, image.width() * image.height() / 2);

    // However narrow the box, the whole line shows, smaller: its end is not cut.
    d.chooseColor = [](const QColor&, const QString&) { return QColor(255, 255, 255); };
    d.cmdKarColor_Click(1);
    d.picKaraoke->setFixedWidth(180);
    const QImage narrow = d.picKaraoke->grab().toImage();
    int lastInk = -1, lastSung = -1;
    for (int x = 0; x < narrow.width(); ++x)
        for (int y = 0; y < narrow.height(); ++y) {
            const QColor c = narrow.pixelColor(x, y);
            if (c != QColor(0, 0, 0)) lastInk = std::max(lastInk, x);
            if (c == QColor(0, 128, 255)) lastSung = std::max(lastSung, x);
        }
    EXPECT_GT(lastInk, narrow.width() * 3 / 4) << "the text reaches across the box";
    // The sung start is 18 of the 28 letters: the unsung rest shows after it.
    EXPECT_LT(lastSung, lastInk * 4 / 5) << "the end of the line is cut";
    EXPECT_LT(lastInk, narrow.width() - 1) << "and ends inside it";
}

TEST(Options, TheKaraokeScreenPageStoresOnlyWhatChangedAndTheViewsFollow)
{
    Options o("[KARAOKE SCREEN]\nBackground=Colour\nCardSeconds=3\n");
    frmOptions& d = *o.dialog;
    d.tbsOptions->setCurrentIndex(3);
    KaraokeScreenPage& page = *d.screenPage;
    EXPECT_EQ(d.tbsOptions->tabText(3), "Karaoke Screen");
    EXPECT_EQ(page.cboBackground->currentIndex(), 0);
    EXPECT_FALSE(page.txtPictureFolder->isEnabled()) << "no pictures asked for";
    EXPECT_EQ(page.spnCardSeconds->value(), 3);
    d.cmdApply_Click();
    EXPECT_EQ(o.views.rebuilds, 0) << "nothing changed";

    page.cboBackground->setCurrentIndex(2);
    EXPECT_TRUE(page.txtPictureFolder->isEnabled());
    page.txtPictureFolder->setText(" /pics ");
    page.chkCountIn->setChecked(false);
    page.spnCardSeconds->setValue(12);
    d.chooseColor = [&](const QColor&, const QString& title) {
        o.colourTitles << title;
        return QColor(0, 128, 255);
    };
    page.cmdSungColor->click();
    d.chooseColor = [](const QColor&, const QString&) { return QColor(); }; // cancelled
    page.cmdTextColor->click();
    EXPECT_EQ(o.colourTitles, QStringList{"Words sung"});
    d.cmdApply_Click();
    EXPECT_EQ(o.views.rebuilds, 1) << "the views take the new look";
    EXPECT_EQ(o.settings.ScreenBackground, Settings::ScreenBack::Pictures);
    EXPECT_EQ(o.settings.ScreenPictureFolder, "/pics");
    EXPECT_EQ(o.settings.ScreenSungColor, rgbLong(0, 128, 255));
    EXPECT_EQ(o.file(), "[KARAOKE SCREEN]\nBackground=Pictures\nCardSeconds=12\nSungColor=16744448\n"
                        "PictureFolder=/pics\nCountIn=0\n"
                        "\n[OPTIONS]\nItalianNotation=0\nTurboStart=-1\nAutoStart=-1\nTempoChange=0\nKeyChange=0\n"
                        "SoloLevel=32\nMelodyChannel=4\nExternalMCI=0\nFilterLyrics=0\n\n[LOAD]\nMIDIDEVICE=-1\n");
    d.cmdApply_Click();
    EXPECT_EQ(o.views.rebuilds, 1) << "applied again: nothing more";
}

TEST(Options, CtrlTabGoesRoundThePages)
{
    Options o("");
    frmOptions& d = *o.dialog;
    EXPECT_EQ(d.tbsOptions->currentIndex(), 0);
    for (int expected : {1, 2, 3, 4, 0}) {
        d.Form_KeyDown(Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(d.tbsOptions->currentIndex(), expected);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(d.picOptions[size_t(i)]->isEnabled(), i == expected);
    }
    d.Form_KeyDown(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(d.tbsOptions->currentIndex(), 0);
}

TEST(Options, SongUnderWayKeepsDeviceAndPath)
{
    Options o("[LOAD]\nMIDIDEVICE=1\n");
    cueSong(*o.player);
    o.open();
    QWidget* page = o.dialog->picOptions[1];
    EXPECT_FALSE(o.dialog->OutputDevCombo->isEnabledTo(page));
    EXPECT_FALSE(o.dialog->chkMCI->isEnabledTo(page));
    EXPECT_FALSE(o.dialog->cmdSoundFont->isEnabledTo(page));
    const int opens = o.device.opens();
    o.dialog->OutputDevCombo->setCurrentIndex(0);
    o.dialog->cmdApply_Click();
    EXPECT_EQ(o.ini->getString("LOAD", "MIDIDEVICE"), "1");
    EXPECT_EQ(o.device.opens(), opens);

    o.player->transport().cmdStop_Click();
    o.settings.AutoStart = false;
    o.player->transport().cmdStop_Click(); // stopped for good: nothing cued
    ASSERT_FALSE(o.player->state().buttons.Seek);
    const int opensStopped = o.device.opens(); // each stop opens the device afresh
    o.open();
    EXPECT_TRUE(o.dialog->OutputDevCombo->isEnabledTo(o.dialog->picOptions[1]));
    EXPECT_TRUE(o.dialog->chkMCI->isEnabledTo(o.dialog->picOptions[1]));
    o.dialog->OutputDevCombo->setCurrentIndex(0);
    o.dialog->cmdApply_Click();
    EXPECT_EQ(o.settings.MIDIDEVICE, 0);
    EXPECT_EQ(o.device.opens(), opensStopped + 1);
    EXPECT_EQ(o.player->output().DeviceID(), -1);
}

TEST(Options, NonsenseSettingsAreClampedAndOnlyWhatIsAppliedIsStored)
{
    const std::string nonsense = "[OPTIONS]\nTempoChange=99999999\nKeyChange=-500\nSoloLevel=abc\n"
                                 "MelodyChannel=77\nKaraokeRows=-3\nKaraokeFontSize=-9\nKaraokeFont=No Such Font 123\n"
                                 "KaraokeBackColor=zz\nAutoStart=maybe\n[LOAD]\nMIDIDEVICE=-12\n";
    Options o(nonsense);
    frmOptions& d = *o.dialog;
    EXPECT_EQ(d.HSTempo->value(), 100);
    EXPECT_EQ(d.lblTempo->text(), "+100");
    EXPECT_EQ(d.HSKey->value(), -12);
    EXPECT_EQ(d.HSSolo->value(), 0);
    EXPECT_EQ(d.HSMelody->value(), 16);
    EXPECT_TRUE(d.optRows[0]->isChecked());
    EXPECT_TRUE(d.optChar[1]->isChecked());
    EXPECT_EQ(d.OutputDevCombo->currentIndex(), 0);
    // The missing font: nothing chosen in the list, the sample in the system's replacement.
    EXPECT_TRUE(d.lstKarFonts->selectedItems().isEmpty());
    EXPECT_GT(d.picKaraoke->height(), 0);

    d.cmdCancel_Click();
    EXPECT_EQ(o.file(), nonsense);

    o.open();
    o.dialog->cmdOK_Click();
    EXPECT_EQ(o.ini->getString("OPTIONS", "TempoChange"), "100");
    EXPECT_EQ(o.ini->getString("OPTIONS", "KeyChange"), "-12");
    EXPECT_EQ(o.ini->getString("OPTIONS", "MelodyChannel"), "16");
    EXPECT_EQ(o.ini->getString("OPTIONS", "KaraokeFont"), "No Such Font 123"); // not edited: kept
    EXPECT_EQ(o.ini->getString("OPTIONS", "KaraokeBackColor"), "zz");
    EXPECT_EQ(o.ini->getString("LOAD", "MIDIDEVICE"), "0");
}

TEST(Options, AStoredDeviceNoLongerListedOpensTheMapperAndIsToldOnce)
{
    Options o("[LOAD]\nMIDIDEVICE=40\n");
    EXPECT_EQ(o.player->output().DeviceID(), -1);
    EXPECT_EQ(o.player->output().State(), 1);
    ASSERT_EQ(o.views.messages.size(), 1);
    EXPECT_TRUE(o.views.messages[0].contains("number 40")) << o.views.messages[0].toStdString();
    EXPECT_EQ(o.dialog->OutputDevCombo->currentIndex(), 0);
    o.player->openOutput(); // reopened after every stop: not told again
    o.open();
    EXPECT_EQ(o.views.messages.size(), 1);
    EXPECT_EQ(o.settings.MIDIDEVICE, 40); // kept until the user applies a choice
}

TEST(Options, SoundFontSwitchesTheSynthesizerOrKeepsTheOldOne)
{
    const std::string real = firstDefaultSoundFont();
    if (real.empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    Options o("[LOAD]\nMIDIDEVICE=0\n", true);
    ASSERT_EQ(o.player->output().State(), 1);
    frmOptions& d = *o.dialog;
    const QString realName = QString::fromStdString(std::filesystem::path(real).filename().string());
    EXPECT_EQ(d.lblSoundFont->text(), realName); // nothing chosen yet: the one the synthesizer found

    // A copy elsewhere, so the switch is seen; the chooser opens where the current one is.
    const std::string copy = o.dir + "copy.sf2";
    std::filesystem::copy_file(real, copy);
    QStringList folders;
    d.chooseSoundFontFile = [&](const QString& folder) {
        folders << folder;
        return QString::fromStdString(copy);
    };
    d.cmdSoundFont_Click();
    EXPECT_EQ(folders, QStringList{QString::fromStdString(std::filesystem::path(real).parent_path().string())});
    EXPECT_TRUE(o.warnings.isEmpty()) << o.warnings.join("; ").toStdString();
    EXPECT_EQ(o.settings.SoundFont, copy);
    EXPECT_EQ(o.ini->getString("LOAD", "SoundFont"), copy);
    EXPECT_EQ(d.lblSoundFont->text(), "copy.sf2");
    EXPECT_EQ(o.player->output().State(), 1);
    EXPECT_TRUE(o.views.messages.isEmpty()) << o.views.messages.join("; ").toStdString();

    // A broken file: one message, and the SoundFont in use stays.
    const std::string broken = o.dir + "broken.sf2";
    writeFile(broken, readFile(copy).substr(0, 4096));
    const std::string fileBefore = o.file();
    d.chooseSoundFontFile = [&](const QString& folder) {
        folders << folder;
        return QString::fromStdString(broken);
    };
    d.cmdSoundFont_Click();
    EXPECT_EQ(folders.last(), QString::fromStdString(o.dir.substr(0, o.dir.size() - 1)));
    ASSERT_EQ(o.warnings.size(), 1);
    EXPECT_TRUE(o.warnings[0].contains("broken.sf2") && o.warnings[0].contains("copy.sf2"))
        << o.warnings[0].toStdString();
    EXPECT_EQ(o.settings.SoundFont, copy);
    EXPECT_EQ(o.file(), fileBefore);
    EXPECT_EQ(d.lblSoundFont->text(), "copy.sf2");

    EXPECT_FALSE(soundFontProblem(o.dir + "missing.sf2").empty());
    writeFile(o.dir + "text.sf2", "not a SoundFont at all");
    EXPECT_FALSE(soundFontProblem(o.dir + "text.sf2").empty());
}

TEST(Options, MainWindowSwitchesToTheExternalPlayerAfterTheDialogAndOpensTheInfoWindow)
{
    TestDevice device; // outlives the player that sends to it
    Views views;
    AppState state;
    state.settings.AppPath = makeAppPath(tempDir());
    state.player.output().useTestDevice(&device);
    frmMain main(state);
    main.createChildWindows();
    state.player.hub().attachApp(&views);
    state.player.openOutput();
    ASSERT_EQ(state.player.output().State(), 1);

    // The dialog is modal: answer it from inside its own event loop.
    auto answer = [](bool external) {
        QTimer::singleShot(0, [external] {
            auto* d = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            d->chkMCI->setChecked(external);
            d->cmdOK_Click();
        });
    };
    answer(true);
    main.mnuOptions_Click(9);
    EXPECT_TRUE(state.settings.ExternalMCI);
    EXPECT_FALSE(main.monitor()->isEnabled());
    EXPECT_EQ(state.player.output().State(), 0); // the external player has the song
    ASSERT_NE(state.settingsService, nullptr);
    EXPECT_EQ(state.settingsService->getString("OPTIONS", "ExternalMCI"), "-1");

    answer(false);
    main.mnuOptions_Click(9);
    EXPECT_FALSE(state.settings.ExternalMCI);
    EXPECT_TRUE(main.monitor()->isEnabled());
    EXPECT_EQ(state.player.output().State(), 1);

    // The lyrics window makes room for the pitch guide as soon as the Sing page asks for it.
    EXPECT_TRUE(main.lyrics()->picGuide->isHidden());
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->singPage->chkLyricsGuide->setChecked(true);
        d->cmdOK_Click();
    });
    main.mnuOptions_Click(9);
    EXPECT_FALSE(main.lyrics()->picGuide->isHidden());
    emit main.singing()->songScored(87); // a song sung to its end: its score stays in the guide's box
    EXPECT_EQ(main.lyrics()->picGuide->idleText(), "Last song: 87");

    // F6: the information window on the song loaded.
    cueSong(state.player);
    main.mnuPlayer_Click(92);
    auto* info = main.findChild<frmMidiInfo*>();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->windowTitle(), "Midi Info");
    EXPECT_EQ(info->txtLyrics->toPlainText(), "la la la");
}

TEST(Options, MelodyAutoAndTheSingPageStoreOnlyWhatChanged)
{
    Options o("[SING]\nMicrophone=USB Headset\nPitchGuide=0\n");
    frmOptions& d = *o.dialog;
    SingPage& page = *d.singPage;
    EXPECT_EQ(d.tbsOptions->tabText(4), "Sing");
    EXPECT_FALSE(d.chkMelodyAuto->isChecked());
    EXPECT_EQ(page.cboMicrophone->itemText(0), SingPage::kDefaultInput);
    EXPECT_EQ(page.cboMicrophone->currentText(), "USB Headset") << "a device not plugged in stays chosen";
    EXPECT_FALSE(page.chkPitchGuide->isChecked());
    EXPECT_FALSE(page.chkRecordVoice->isChecked());
    EXPECT_FALSE(page.chkLyricsGuide->isEnabledTo(&page)) << "no guide at all: none in the lyrics window either";
    d.cmdApply_Click();
    EXPECT_EQ(o.file().find("MelodyAuto"), std::string::npos) << "written only when changed";
    EXPECT_EQ(o.file().find("RecordVoice"), std::string::npos);

    d.chkMelodyAuto->setChecked(true);
    page.cboMicrophone->setCurrentIndex(0);
    page.chkPitchGuide->setChecked(true);
    page.chkRecordVoice->setChecked(true);
    EXPECT_TRUE(page.chkLyricsGuide->isEnabledTo(&page));
    page.chkLyricsGuide->setChecked(true);
    d.cmdApply_Click();
    EXPECT_TRUE(o.settings.LyricsGuide);
    EXPECT_TRUE(o.settings.MelodyAuto);
    EXPECT_TRUE(o.settings.RecordVoice);
    EXPECT_EQ(o.settings.Microphone, "") << "the default input";
    EXPECT_TRUE(o.settings.PitchGuide);
    EXPECT_EQ(o.settings.MelodyChannel, 3) << "the stored channel stays as it is";
    EXPECT_NE(o.file().find("[SING]\nMicrophone=\nPitchGuide=-1\nMelodyAuto=-1\nLyricsGuide=-1\nRecordVoice=-1\n"), std::string::npos) << o.file();
    o.open();
    EXPECT_TRUE(o.dialog->chkMelodyAuto->isChecked());
    EXPECT_EQ(o.dialog->singPage->cboMicrophone->currentIndex(), 0);
    EXPECT_TRUE(o.dialog->singPage->chkRecordVoice->isChecked());
}

TEST(Options, TheLevelMeterReadsDecibels)
{
    EXPECT_EQ(meterPercent(-120.0f), 0);
    EXPECT_EQ(meterPercent(-60.0f), 0);
    EXPECT_EQ(meterPercent(-30.0f), 50);
    EXPECT_EQ(meterPercent(0.0f), 100);
    EXPECT_EQ(meterPercent(6.0f), 100);
}
