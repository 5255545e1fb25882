// The guests' page in a real headless browser (chromium through selenium),
// against the real service and player. Skips when no browser is installed.
// Set LIRMUS_SHOTS to a folder to keep pictures at phone and desktop sizes.
#include "PartyRig.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace lirmus;
using namespace lirmus::test;

TEST(PartyPage, GuestsSearchAndRequestInTurnsAndMarkupStaysText)
{
    PartyRig rig({{"Alpha Blues", "Ann Artist", "Blues"}, {"Beta Rock", "Bob Band", "Rock"},
                  {"Gamma Pop", "Ann Artist", "Pop"}, {"Delta Dawn", "Cleo Choir", "Country"},
                  {"Epsilon", "Dee Duo", "Chanson"}, {"<img src=x onerror=alert(1)>", "<b>Bold</b>", "Tricks"}});
    QProcess browser;
    browser.setProcessChannelMode(QProcess::MergedChannels);
    // Debian's python3-selenium belongs to the system's Python, whatever else is on PATH.
    const QString python = QFileInfo::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    browser.start(python, {LIRMUS_PAGE_CHECK, QString("http://127.0.0.1:%1/").arg(rig.port),
                              qEnvironmentVariable("LIRMUS_SHOTS")});
    // The service answers on this thread while the browser works.
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.state() == QProcess::NotRunning; }, 120000));
    const QString out = QString::fromUtf8(browser.readAll());
    if (browser.exitCode() == 77) GTEST_SKIP() << out.toStdString();
    EXPECT_EQ(browser.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(rig.playerQueue().join(" | ").toStdString(),
              "Bob:Beta Rock | <i>Cleo</i>:<img src=x onerror=alert(1)> | Ann:Gamma Pop | Bob:Delta Dawn")
        << "Cleo has not sung yet: her first song goes before the others' second";
}
