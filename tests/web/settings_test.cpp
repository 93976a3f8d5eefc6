#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/fs.h"
#include "platform/sys.h"
#include "testutil.h"
#include "textlib/csv.h"
#include "web/initfile.h"
#include "web/initparam.h"

namespace bq {
namespace {

using test::TempDirTest;
using Items = std::vector<std::string>;

TEST_F(TempDirTest, OnlyTimeoutGivenEverythingElseDefaultsAndSavesSorted) {
  std::string path = dir_ + "brindlequay.ini";
  fs::WriteFileAtomic(path, "HTTPTIMEOUT=30\r\n");
  {
    TInitParam p;
    p.Load(path);
    EXPECT_EQ(p.httpTimeout, 30);
    EXPECT_EQ(p.resColor, 8421504);
    EXPECT_EQ(p.cbTime, 500);
    EXPECT_EQ(p.colWidth, "90,230,100,140,-2");
    EXPECT_TRUE(p.dispRefer && p.sortByNew && p.toolbarIcon && p.dispClock);
    EXPECT_FALSE(p.startInTray || p.sysVarDisp || p.developerMode);
    EXPECT_EQ(p.splitList, 206);
    EXPECT_EQ(p.splitTree, 183);
    EXPECT_EQ(p.exportType, 0);
    EXPECT_EQ(p.exportFile, "");
    EXPECT_EQ(p.winState, 0);
    EXPECT_EQ(p.winRight, 0);
    EXPECT_EQ(p.memoFont, TFont());
  }  // destruction saves
  std::string text;
  ASSERT_TRUE(fs::ReadFile(path, text));
  EXPECT_EQ(text,
            "CBTIME=500\r\nCOLWIDTH=90,230,100,140,-2\r\nDISPCLOCK=1\r\nDISPREFER=1\r\nEXPORT=0,\r\n"
            "HTTPTIMEOUT=30\r\nLISTFONT=Sans,128,$000000,0,10,0\r\nMEMOFONT=Sans,128,$000000,0,10,0\r\n"
            "RESCOLOR=8421504\r\nSORTBYNEW=1\r\nSPLIT=206,183\r\nSTARTINTRAY=0\r\nSTATUSDISP=0\r\n"
            "SYSVARDISP=0\r\nTITLEFONT=Sans,128,$000000,0,10,0\r\nTOOLBARICON=1\r\n"
            "WINDOWINFO=0,0,0,0,0\r\n");
}

TEST_F(TempDirTest, EveryValueSurvivesARoundTrip) {
  std::string path = dir_ + "s.ini";
  TInitParam a;
  a.fileName = path;
  a.developer = "guess";
  a.winLeft = -5, a.winTop = 10, a.winRight = 700, a.winBottom = 500, a.winState = 2;
  a.logDir = "/data/\x83\x8d\x83\x4f/";
  a.lastBbs = "site a";
  a.logHist = CommaJoin({"/a/", "/b c/"});
  a.memoFont = {"IPA Gothic", 1, 0x1234ABCD, 5, 12, 2};
  a.listFont.color = -2147483640;  // a system colour with the high bit set
  a.resColor = 255;
  a.exportFile = "out, \"x\".csv";
  a.exportType = 3;
  a.cbTime = 1, a.colWidth = "1,2";
  a.sortByNew = false, a.toolbarIcon = false, a.startInTray = true;
  a.statusDisp = 2, a.dispClock = false, a.dispRefer = false, a.sysVarDisp = true;
  a.splitList = 300, a.splitTree = -1;
  a.httpTimeout = 45;
  a.newsNotify = false;
  a.unreadCounts = false;
  a.Save();
  a.fileName.clear();

  TInitParam b;
  b.Load(path);
  b.fileName.clear();
  EXPECT_EQ(b.developer, "guess");
  EXPECT_FALSE(b.developerMode);
  EXPECT_EQ(std::tie(b.winLeft, b.winTop, b.winRight, b.winBottom, b.winState),
            std::tie(a.winLeft, a.winTop, a.winRight, a.winBottom, a.winState));
  EXPECT_EQ(b.logDir, a.logDir);
  EXPECT_EQ(b.lastBbs, a.lastBbs);
  EXPECT_EQ(b.logHist, a.logHist);
  EXPECT_EQ(b.memoFont, a.memoFont);
  EXPECT_FALSE(b.newsNotify);
  EXPECT_FALSE(b.unreadCounts);
  EXPECT_EQ(b.listFont, a.listFont);
  EXPECT_EQ(b.resColor, 255);
  EXPECT_EQ(b.exportFile, a.exportFile);
  EXPECT_EQ(b.exportType, 3);
  EXPECT_EQ(b.cbTime, 1);
  EXPECT_EQ(b.colWidth, "1,2");
  EXPECT_FALSE(b.sortByNew || b.toolbarIcon || b.dispClock || b.dispRefer);
  EXPECT_TRUE(b.startInTray && b.sysVarDisp);
  EXPECT_EQ(b.statusDisp, 2);
  EXPECT_EQ(b.splitList, 300);
  EXPECT_EQ(b.splitTree, -1);
  EXPECT_EQ(b.httpTimeout, 45);
}

TEST_F(TempDirTest, DeveloperCodeSwitchesModeAndOtherTextIsKept) {
  std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, "developer=_Q7mZp3Lk9TxWc2Rv=\r\n");
  TInitParam p;
  p.Load(path);
  p.fileName.clear();
  EXPECT_TRUE(p.developerMode);
  fs::WriteFileAtomic(path, "DEVELOPER=_Q7mZp3Lk9TxWc2Rv\r\nZZZ=kept\r\nAAA=kept too\r\n");
  TInitParam q;
  q.Load(path);
  EXPECT_FALSE(q.developerMode);
  q.Save();
  q.fileName.clear();
  TInitFile f(path);
  EXPECT_EQ(f.ReadString("DEVELOPER", ""), "_Q7mZp3Lk9TxWc2Rv");
  EXPECT_EQ(f.Lines().front(), "AAA=kept too");
  EXPECT_EQ(f.Lines().back(), "ZZZ=kept");
}

TEST_F(TempDirTest, NonNumericValuesFallBackToTheKeyDefault) {
  std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path,
                      "RESCOLOR=grey\r\nCBTIME=12x\r\nHTTPTIMEOUT=99999999999\r\nSTATUSDISP= 3 \r\n"
                      "SPLIT=a,b\r\nEXPORT=z,file\r\nWINDOWINFO=1,2,x,4,5\r\nDISPCLOCK=yes\r\n"
                      "MEMOFONT=Face,128,123456,0,10,0\r\n");
  TInitParam p;
  p.Load(path);
  p.fileName.clear();
  EXPECT_EQ(p.resColor, 8421504);
  EXPECT_EQ(p.cbTime, 500);
  EXPECT_EQ(p.httpTimeout, 0);
  EXPECT_EQ(p.statusDisp, 3);
  EXPECT_EQ(p.splitList, 206);
  EXPECT_EQ(p.splitTree, 183);
  EXPECT_EQ(p.exportType, 0);
  EXPECT_EQ(p.exportFile, "file");
  EXPECT_EQ(p.winState, 0);
  EXPECT_EQ(p.winLeft, 0);
  EXPECT_FALSE(p.dispClock);               // any text but "1" is false
  EXPECT_EQ(p.memoFont, TFont());          // colour without "$": font unchanged
}

TEST_F(TempDirTest, PlacementNeedsFiveItemsAndAStateInRange) {
  std::string path = dir_ + "s.ini";
  TInitFile f(path);
  f.WriteString("A", "2,1,2,3,4");
  f.WriteString("B", "1,2,3,4");
  f.WriteString("C", "3,1,2,3,4");
  EXPECT_EQ(f.ReadPlacement("a"), (TPlacement{{1, 2, 3, 4}, 2}));
  EXPECT_EQ(f.ReadPlacement("B"), TPlacement());
  EXPECT_EQ(f.ReadPlacement("C"), TPlacement());
  f.WritePlacement("D", {{-1, 2, 3, 4}, 1});
  EXPECT_EQ(f.ReadString("D", ""), "1,-1,2,3,4");
}

TEST_F(TempDirTest, FontWithBlankInFaceIsQuotedAndReadBackWhole) {
  TInitFile f(dir_ + "s.ini");
  TFont font{"MS P Gothic", 128, 0xFF, 3, 11, 1};
  f.WriteFont("LISTFONT", font);
  EXPECT_EQ(f.ReadString("LISTFONT", ""), "\"MS P Gothic\",128,$0000FF,3,11,1");
  TFont back;
  f.ReadFont("listfont", back);
  EXPECT_EQ(back, font);
  f.WriteString("X", "a,1,$0,0,0");  // five items: unchanged
  f.ReadFont("X", back);
  EXPECT_EQ(back, font);
}

TEST_F(TempDirTest, InitFileLookupIgnoresCaseAndEmptyValueRemovesLine) {
  std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, "Name=a=b\nOTHER=1\r\n");
  {
    TInitFile f(path);
    EXPECT_EQ(f.ReadString("NAME", ""), "a=b");
    EXPECT_EQ(f.ReadString("missing", "dflt"), "dflt");
    EXPECT_TRUE(f.ReadBool("other", false));
    EXPECT_FALSE(f.Modified());
    f.WriteString("name", "");
    f.WriteInteger("NEW", -7);
  }
  std::string text;
  ASSERT_TRUE(fs::ReadFile(path, text));
  EXPECT_EQ(text, "OTHER=1\r\nNEW=-7\r\n");
}

TEST_F(TempDirTest, LaterKeysAreWrittenOnlyWhenSetAndGiveTheWatchdogItsSeconds) {
  std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, "HOSTINTERVAL=500\r\nUNATTENDEDLIMIT=2\r\n");
  {
    TInitParam p;
    p.Load(path);
    EXPECT_EQ(p.hostInterval, 500);
    EXPECT_EQ(p.unattendedLimit, 2);
    EXPECT_EQ(p.WatchdogSeconds(false), 0);  // a person watches and has Stop
    EXPECT_EQ(p.WatchdogSeconds(true), 2);
    p.httpTimeout = 30;
    EXPECT_EQ(p.WatchdogSeconds(false), 30);
    EXPECT_EQ(p.WatchdogSeconds(true), 30);
    p.httpTimeout = 0;
    p.unattendedLimit = 0;  // not a way to switch the limit off
    EXPECT_EQ(p.WatchdogSeconds(true), 300);
    p.unattendedLimit = TInitParam::kDefaultUnattendedLimit;
    p.hostInterval = 0;
  }
  std::string text;
  ASSERT_TRUE(fs::ReadFile(path, text));
  EXPECT_EQ(text.find("HOSTINTERVAL"), std::string::npos) << text;
  EXPECT_EQ(text.find("UNATTENDEDLIMIT"), std::string::npos) << text;
  TInitParam fresh;
  EXPECT_EQ(fresh.WatchdogSeconds(true), 300);
  EXPECT_EQ(fresh.hostInterval, 0);
}

TEST_F(TempDirTest, UnchangedFileIsNotRewritten) {
  std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, "A=1");
  { TInitFile f(path); }
  std::string text;
  ASSERT_TRUE(fs::ReadFile(path, text));
  EXPECT_EQ(text, "A=1");
}

TEST_F(TempDirTest, FailedSaveLeavesTheOldFileAndReportsIt) {
  std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, "HTTPTIMEOUT=5\r\n");
  TInitParam p;
  p.Load(path);
  p.httpTimeout = 9;
  sys::CurrentHooks().write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  EXPECT_THROW(p.Save(), fs::FileError);
  sys::CurrentHooks() = sys::RealHooks();
  p.fileName.clear();
  std::string text;
  ASSERT_TRUE(fs::ReadFile(path, text));
  EXPECT_EQ(text, "HTTPTIMEOUT=5\r\n");
}


// ---- a damaged or unreadable settings file ----

std::string ReadAll(const std::string& path) {
  std::string text;
  fs::ReadFile(path, text);
  return text;
}

struct DamagedSettings {
  const char* name;
  std::string text;
};

class DamagedSettingsFile : public TempDirTest, public ::testing::WithParamInterface<DamagedSettings> {};

TEST_P(DamagedSettingsFile, IsKeptAsideOnceAndTheDefaultsApply) {
  const std::string path = dir_ + "s.ini";
  const std::string& original = GetParam().text;
  fs::WriteFileAtomic(path, original);
  {
    TInitParam p;
    p.Load(path);
    EXPECT_EQ(p.httpTimeout, TInitParam().httpTimeout);
    EXPECT_NE(p.Problem.find(dir_ + "s-damaged.ini"), std::string::npos) << p.Problem;
    EXPECT_EQ(ReadAll(dir_ + "s-damaged.ini"), original);
    p.httpTimeout = 7;
  }  // destruction saves, over the defaults
  TInitParam q;
  q.Load(path);
  EXPECT_EQ(q.httpTimeout, 7);
  EXPECT_EQ(q.Problem, "");
  q.fileName.clear();
  // The same damage again: its copy is there, nothing more is written or said.
  fs::WriteFileAtomic(path, original);
  TInitParam again;
  again.Load(path);
  again.fileName.clear();
  EXPECT_EQ(again.Problem, "");
  EXPECT_FALSE(fs::FileExists(dir_ + "s-damaged-2.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DamagedSettingsFile,
    ::testing::Values(DamagedSettings{"NulBytes", std::string("HTTPTIMEOUT=5\r\n\0\0\0", 18)},
                      DamagedSettings{"LongerThanASettingsFile", "HTTPTIMEOUT=5\r\n" + std::string(2u << 20, 'x')}),
    [](const ::testing::TestParamInfo<DamagedSettings>& info) { return std::string(info.param.name); });

TEST_F(TempDirTest, ADamagedSettingsFileOnlyReadIsNotCopied) {
  const std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, std::string("A=1\0", 4));
  TInitParam p;
  p.Load(path, false);
  p.fileName.clear();
  EXPECT_NE(p.Problem, "");
  EXPECT_FALSE(fs::FileExists(dir_ + "s-damaged.ini"));
}

std::string gRefused;
int RefusingOpen(const char* path, int flags, int mode) {
  if (gRefused == path) {
    errno = EACCES;
    return -1;
  }
  return ::open(path, flags, mode);
}

TEST_F(TempDirTest, AnUnreadableSettingsFileIsLeftAlone) {
  const std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, "HTTPTIMEOUT=5\r\n");
  gRefused = path;
  sys::CurrentHooks().open = RefusingOpen;
  TInitParam p;
  p.Load(path);
  sys::CurrentHooks() = sys::RealHooks();
  EXPECT_NE(p.Problem.find(sys::ErrnoText(EACCES)), std::string::npos) << p.Problem;
  p.httpTimeout = 9;
  EXPECT_THROW(p.Save(), fs::FileError);
  p.fileName.clear();
  EXPECT_EQ(ReadAll(path), "HTTPTIMEOUT=5\r\n");
  EXPECT_FALSE(fs::FileExists(dir_ + "s-damaged.ini"));
}

TEST_F(TempDirTest, ASavedSettingsFileKeepsItsPermissions) {
  const std::string path = dir_ + "s.ini";
  fs::WriteFileAtomic(path, "HTTPTIMEOUT=5\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  TInitParam p;
  p.Load(path);
  p.httpTimeout = 9;
  p.Save();
  p.fileName.clear();
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}


TWindowGeometry Apply(std::uint8_t state, TRect r, TWindowGeometry designed = {0, 10, 20, 300, 200}) {
  TInitParam p;
  p.winState = state;
  p.winLeft = r.left, p.winTop = r.top, p.winRight = r.right, p.winBottom = r.bottom;
  p.ApplyPlacement(designed, {1024, 768});
  return designed;
}

TEST(Placement, KeepsWindowOnTheScreen) {
  EXPECT_EQ(Apply(0, {100, 50, 500, 450}), (TWindowGeometry{0, 100, 50, 400, 400}));
  // Right edge beyond the screen: moved left to end at the edge.
  EXPECT_EQ(Apply(0, {900, 50, 1300, 450}), (TWindowGeometry{0, 624, 50, 400, 400}));
  // Wider than the screen: left 0, screen width.
  EXPECT_EQ(Apply(0, {100, 0, 1500, 100}), (TWindowGeometry{0, 0, 0, 1024, 100}));
  // Bottom beyond the screen, and taller than it.
  EXPECT_EQ(Apply(0, {0, 700, 100, 900}), (TWindowGeometry{0, 0, 568, 100, 200}));
  EXPECT_EQ(Apply(0, {0, 0, 100, 1000}), (TWindowGeometry{0, 0, 0, 100, 768}));
  // Negative corner moves to 0, zero height becomes a third of the screen.
  EXPECT_EQ(Apply(1, {-50, -20, 50, -20}), (TWindowGeometry{1, 0, 0, 100, 256}));
}

TEST(Placement, MaximisedOrEmptyRectangleKeepsDesignedSize) {
  EXPECT_EQ(Apply(2, {100, 50, 500, 450}), (TWindowGeometry{2, 10, 20, 300, 200}));
  EXPECT_EQ(Apply(0, {500, 50, 500, 450}), (TWindowGeometry{0, 10, 20, 300, 200}));
}

TEST(Placement, StoreKeepsNormalRectangleOfMaximisedWindow) {
  TInitParam p;
  p.StorePlacement({0, 10, 20, 300, 200});
  EXPECT_EQ(std::tie(p.winLeft, p.winTop, p.winRight, p.winBottom), std::make_tuple(10, 20, 310, 220));
  p.StorePlacement({2, 0, 0, 1024, 768});
  EXPECT_EQ(p.winState, 2);
  EXPECT_EQ(p.winRight, 310);
}

TEST(SettingsPath, PortableBesideProgramElseXdgConfig) {
  EXPECT_EQ(ChooseSettingsPath("/opt/bq/", true, "/x", "/home/u"), "/opt/bq/brindlequay.ini");
  EXPECT_EQ(ChooseSettingsPath("/usr/bin", false, "/x/cfg", "/home/u"), "/x/cfg/brindlequay/brindlequay.ini");
  EXPECT_EQ(ChooseSettingsPath("/usr/bin", false, "", "/home/u"), "/home/u/.config/brindlequay/brindlequay.ini");
}

}  // namespace
}  // namespace bq
