// "Party..." and the karaoke card: the dialog keeps [PARTY] and starts or
// stops the service, shows where guests go and its QR code; the card shows
// the address and the code. Set LIRMUS_SHOTS to a folder to keep pictures
// of both at two sizes.
#include "AppState.h"
#include "HttpClient.h"
#include "PartyServer.h"
#include "SmfWriter.h"
#include "frmKaraokeScreen.h"
#include "frmMain.h"
#include "frmParty.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QTcpServer>

using namespace lirmus;
using namespace lirmus::test;

namespace {

struct Main {
    AppState state;
    frmMain main{state};
    Main()
    {
        state.settings.AppPath = makeAppPath(tempDir());
        state.settingsService = std::make_unique<SettingsService>(state.settings.iniPath());
        main.onBeep = [] {};
        main.createChildWindows();
    }
    std::unique_ptr<frmParty> dialog()
    {
        return std::make_unique<frmParty>(
            state.settings, *state.settingsService, [this] { return main.startParty(); },
            [this] { return main.party() ? main.party()->port() : quint16(0); });
    }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// White pixels (the code's light modules and margin) in the bottom right quarter of an image.
int whiteCorner(const QImage& img)
{
    int n = 0;
    for (int y = img.height() / 2; y < img.height(); ++y)
        for (int x = img.width() * 3 / 4; x < img.width(); ++x) n += img.pixel(x, y) == qRgb(255, 255, 255);
    return n;
}

void keep(QWidget* w, const QSize& size, const QString& name)
{
    const QString dir = qEnvironmentVariable("LIRMUS_SHOTS");
    if (dir.isEmpty()) return;
    w->resize(size);
    w->show();
    QApplication::processEvents();
    w->grab().save(dir + "/" + name);
}

} // namespace

TEST(PartyWindows, TheDialogKeepsThePartySettingsAndStartsAndStopsTheService)
{
    Main m;
    ASSERT_TRUE(m.main.menuAction("mnuOptions", 23));
    EXPECT_EQ(m.main.menuAction("mnuOptions", 23)->text(), "P&arty...");
    auto d = m.dialog();
    EXPECT_EQ(d->txtPort->value(), 0);
    EXPECT_TRUE(d->lblStatus->text().contains("off"));
    EXPECT_FALSE(d->picQr->isVisibleTo(d.get()));

    const quint16 port = freePort();
    d->txtPort->setValue(port);
    d->txtPin->setText(" 2468 ");
    d->txtLimit->setValue(4);
    d->cmdApply_Click();
    ASSERT_TRUE(m.main.party() && m.main.party()->isListening()) << d->lblStatus->text().toStdString();
    EXPECT_EQ(m.main.party()->limit(), 4);
    EXPECT_EQ(m.state.settingsService->getInt("PARTY", "Port", 0), port);
    EXPECT_EQ(m.state.settingsService->getString("PARTY", "Pin"), "2468");
    EXPECT_EQ(m.state.settings.PartyLimit, 4);
    const QString address = QString("http://127.0.0.1:%1/").arg(port);
    EXPECT_TRUE(d->lblAddress->text() == address || d->lblAddress->toolTip().contains(address));
    EXPECT_FALSE(d->picQr->pixmap().isNull());
    EXPECT_EQ(http(port, "GET", "/").status, 200);
    EXPECT_EQ(http(port, "POST", "/api/skip", {}, {{"X-Lirmus-Pin", "2468"}}).status, 200) << "the PIN is the one set";
    keep(d.get(), {420, 520}, "party-dialog-small.png");
    keep(d.get(), {640, 760}, "party-dialog-large.png");

    // A port taken by another program is said, not hidden.
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::Any, 0));
    d->txtPort->setValue(other.serverPort());
    d->cmdApply_Click();
    EXPECT_TRUE(d->lblStatus->text().contains(QString::number(other.serverPort()))) << d->lblStatus->text().toStdString();

    d->txtPort->setValue(0);
    d->cmdApply_Click();
    EXPECT_FALSE(m.main.party()->isListening());
    EXPECT_EQ(http(port, "GET", "/", {}, {}).status, 0) << "nobody answers any more";
    EXPECT_TRUE(m.main.partyAddress().isEmpty());
}

TEST(PartyWindows, TheCardShowsWhereGuestsRequestSongsAndItsCode)
{
    Main m;
    m.state.settings.PartyPort = freePort();
    ASSERT_TRUE(m.main.startParty().isEmpty());
    const std::string song = tempDir() + "party-card.kar";
    ASSERT_TRUE(writeFile(song, SmfWriter().bytes()));
    m.state.player.playQueue().add({QString::fromStdString(song)}, "Anna");
    m.main.openKaraokeScreen();
    frmKaraokeScreen* screen = m.main.karaokeScreen();
    ASSERT_TRUE(screen);
    const std::optional<TitleCard> card = screen->cardSource();
    ASSERT_TRUE(card);
    EXPECT_EQ(card->singer, "Anna");
    EXPECT_EQ(card->partyAddress, m.main.partyAddress());
    EXPECT_TRUE(card->partyAddress.endsWith(QString(":%1/").arg(m.state.settings.PartyPort)));
    ASSERT_FALSE(card->partyQr.isNull());

    for (const QSize size : {QSize(1280, 720), QSize(1920, 1080)}) {
        ScreenRender render(m.state.settings);
        render.setSize(size);
        QImage with(size, QImage::Format_RGB32), without(size, QImage::Format_RGB32);
        {
            QPainter p(&with);
            render.drawCard(p, *card);
        }
        TitleCard plain = *card;
        plain.partyAddress.clear();
        plain.partyQr = QImage();
        {
            QPainter p(&without);
            render.drawCard(p, plain);
        }
        EXPECT_GT(whiteCorner(with), whiteCorner(without) + size.height() * size.height() / 200)
            << "the code, bottom right, on the dark card";
        if (!qEnvironmentVariableIsEmpty("LIRMUS_SHOTS"))
            with.save(qEnvironmentVariable("LIRMUS_SHOTS") + QString("/party-card-%1.png").arg(size.width()));
    }
    screen->close();
}
