#include "ControllerTable.h"
#include "SettingsService.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::tempDir;
using lirmus::test::writeFile;

namespace {

ControllerTable readFrom(const std::string& ini, std::string* problem)
{
    std::string path = tempDir() + "LIRMUS.INI";
    writeFile(path, ini);
    return readControllerTable(SettingsService(path), problem);
}

} // namespace

TEST(ControllerTable, EmptySectionGivesTheFourDefaultRows)
{
    std::string problem = "x";
    ControllerTable t = readFrom("", &problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(t.rows(), 4);
    EXPECT_EQ(t.CtrlNumber, (std::vector<int>{7, 10, 93, 91}));
    EXPECT_EQ(t.CtrlName[1].substr(0, 7), "Pan/Bal");
    EXPECT_EQ(t.CtrlMin, (std::vector<int>{0, -100, -100, -100}));
    EXPECT_EQ(t.CtrlMax, (std::vector<int>{127, 100, 100, 100}));
    EXPECT_EQ(t.CtrlMaster, (std::vector<int>{100, 0, 0, 0})); // volume master 0 loads as 100
    EXPECT_EQ(t.CtrlValue[0][5], -1);
    t.CtrlValue[2][9] = 40;
    t.ClearControllerValues();
    EXPECT_EQ(t.CtrlValue[2][9], -1);
}

TEST(ControllerTable, RowsAndMastersFromTheSettings)
{
    std::string problem;
    ControllerTable t = readFrom("[CONTROLLERS]\n0=7,Volume,0,127\n1=10,Pan,-100,100\n2=93,Chorus,-100,100\n"
                                 "3=91,Reverb,-100,100\n4=74,Bright,-100,100\n5=71,Reso,-100,100\n"
                                 "6=1,Modulation wheel,0,127\n7=11,Expr,0,127\n9=5,Ignored,0,1\n"
                                 "[SETUP]\nC7=0\nC10=-50\nC1=0\n",
                                 &problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(t.rows(), 8); // reading stops at the first missing key
    EXPECT_EQ(t.CtrlMaster[0], 100);
    EXPECT_EQ(t.CtrlMaster[1], -50);
    EXPECT_EQ(t.CtrlMaster[6], 0); // a stored 0 stays 0 outside the volume row
    EXPECT_EQ(t.rowOf(74), 4);
    EXPECT_EQ(t.rowOf(64), -1);
}

TEST(ControllerTable, MalformedOrOutOfBoundsTablesFallBackWithOneMessage)
{
    for (const char* bad : {"[CONTROLLERS]\n0=7,Vol\n",
                            "[CONTROLLERS]\n0=7,Vol,zero,127\n1=10,Pan,-100,100\n",
                            "[CONTROLLERS]\n0=7,Vol,0,127\n1=10,Pan,-100,100\n",
                            "[CONTROLLERS]\n0=7,Vol,0,127\n1=11,Expr,0,127\n2=93,Chorus,5,5\n3=91,Reverb,-100,100\n",
                            "[CONTROLLERS]\n0=1,a,0,1\n1=2,b,0,1\n2=3,c,0,1\n3=4,d,0,1\n4=5,e,0,1\n"
                            "5=6,f,0,1\n6=7,g,0,1\n7=8,h,0,1\n8=9,i,0,1\n"}) {
        std::string problem;
        ControllerTable t = readFrom(bad, &problem);
        EXPECT_NE(problem.find("default controllers"), std::string::npos) << bad;
        EXPECT_EQ(t.CtrlNumber, (std::vector<int>{7, 10, 93, 91})) << bad;
    }
}

TEST(ControllerTable, ApplyMasterMultiplyingAndBipolarRows)
{
    // value, master, row minimum (0: the master multiplies; -100: it moves toward 0 or 127) and the result
    for (auto [value, master, min, sent] : std::vector<std::tuple<int, int, int, int>>{
             {100, 100, 0, 78}, {127, 100, 0, 100}, {64, 100, 0, 50}, {64, -50, -100, 32}, {64, 50, -100, 95},
             {64, 0, -100, 64}, {90, 100, -100, 127}, {90, -100, -100, 0}, {33, -33, -100, 23} /* truncates */})
        EXPECT_EQ(ApplyMaster(value, 0, 127, master, min), sent) << value << " " << master << " " << min;
}

TEST(ControllerTable, StoredMastersOutsideTheirRowsRangeAreClamped)
{
    std::string problem;
    ControllerTable t = readFrom("[CONTROLLERS]\n0=7,Vol,0,127\n1=10,Pan,-100,100\n2=93,Chorus,-100,100\n"
                                 "3=91,Reverb,-100,100\n4=11,Expr,0,127\n5=74,Bright,-100,100\n"
                                 "[SETUP]\nC7=300\nC10=-250\nC93=101\nC11=-4\n",
                                 &problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(t.rows(), 6);
    EXPECT_EQ(t.CtrlMaster, (std::vector<int>{127, -100, 100, 0, 0, 0}));
}
