#include "frmAbout.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

using namespace lirmus;

TEST(About, TitleVersionAndScore)
{
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), QString("Info on Lirmus"));
    EXPECT_EQ(about.lblVersion->text(), QString("0.1"));
    EXPECT_FALSE(about.lblCPU->isHidden());
    EXPECT_TRUE(about.lblCPU->text().startsWith("CPU Performance: "));
    EXPECT_TRUE(about.lblCPU->text().endsWith("%"));
}

TEST(About, ScoreColoursAndText)
{
    frmAbout about;
    auto colour = [&] { return about.lblCPU->palette().color(QPalette::WindowText); };
    about.lblCPU->setPalette(QLabel().palette());
    const QColor design = colour();
    about.showScore(69);
    EXPECT_EQ(colour(), design);
    about.showScore(69.5);
    EXPECT_EQ(colour(), QColor(0, 255, 0));
    EXPECT_EQ(about.lblCPU->text(), QString("CPU Performance: 70%"));
    about.showScore(5);
    EXPECT_EQ(colour(), QColor(255, 0, 0));
    EXPECT_EQ(about.lblCPU->text(), QString("CPU Performance: 05%"));
}

TEST(About, ScreenWarningOnlyAwayFrom800Pixels)
{
    frmAbout about;
    const bool is800 = QGuiApplication::primaryScreen()->geometry().width() == 800;
    EXPECT_EQ(about.Timer1->isActive(), !is800);
    EXPECT_EQ(about.lblUse->isHidden(), is800);
    // The blinking swaps the warning's colours on every tick.
    about.Timer1_Timer();
    const QColor first = about.lblUse->palette().color(QPalette::WindowText);
    about.Timer1_Timer();
    EXPECT_NE(about.lblUse->palette().color(QPalette::WindowText), first);
    EXPECT_EQ(about.lblUse->palette().color(QPalette::Window), first);
}
