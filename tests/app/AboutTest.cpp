#include "frmAbout.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

using namespace lirmus;

TEST(About, ShowsTheTimerScoreInItsColour)
{
    frmAbout about;
    // The timer test runs as the box opens; its score shows.
    EXPECT_FALSE(about.lblCPU->isHidden());
    EXPECT_TRUE(about.lblCPU->text().endsWith("%"));
    // Which score gets which colour is the timer test's own; here the colours themselves.
    auto colour = [&] { return about.lblCPU->palette().color(QPalette::WindowText); };
    about.lblCPU->setPalette(QLabel().palette());
    const QColor design = colour();
    about.showScore(50);
    EXPECT_EQ(colour(), design);
    about.showScore(90);
    EXPECT_EQ(colour(), QColor(0, 255, 0));
    about.showScore(5);
    EXPECT_EQ(colour(), QColor(255, 0, 0));
    EXPECT_EQ(about.lblCPU->text(), QString("CPU Performance: 05%"));
}

TEST(About, MeasuresWithoutRunningTheEventLoop)
{
    // Whatever waits in the event queue (a click's handler, a menu) runs only
    // once the box is shown, never while it measures.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    frmAbout about;
    EXPECT_FALSE(ran);
    EXPECT_FALSE(about.lblCPU->isHidden());
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
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

TEST(About, EveryWrappedLineFitsTheBox)
{
    frmAbout about;
    about.show();
    QCoreApplication::processEvents();
    // Each label gets the height its text needs at the width it was given.
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label->isHidden()) continue;
        const int needed = label->hasHeightForWidth() ? label->heightForWidth(label->width())
                                                      : label->sizeHint().height();
        EXPECT_GE(label->height(), needed) << label->text().toStdString();
    }
}
