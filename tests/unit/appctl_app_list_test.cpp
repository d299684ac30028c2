#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FakeInputSynth.h"
#include "FakeProcessList.h"
#include "FakeWindowSystem.h"
#include "TestProfiles.h"
#include "appctl/ActionPlayer.h"
#include "appctl/AppList.h"
#include "appctl/PresentationSource.h"

namespace {

using Lines = std::vector<std::string>;

// A presentation manager stand-in: remembers the title it was made with.
class CFakePresentationMgr : public CAppMgr {
public:
    CFakePresentationMgr(uint32_t window, std::u16string title) : CAppMgr(window), m_title(std::move(title)) {}
    uint32_t GetAppType() const override { return APPTYPE_POWERPOINT; }
    std::u16string GetName() const override { return m_title; }

private:
    std::u16string m_title;
};

class CFakePresentationSource : public IPresentationSource {
public:
    bool IsBusy() override
    {
        ++m_busyQueries;
        return m_busy;
    }
    std::unique_ptr<CAppMgr> CreateManager(uint32_t window, const std::u16string& title) override
    {
        for (uint32_t unavailable : m_unavailable) {
            if (unavailable == window)
                return nullptr;
        }
        return std::make_unique<CFakePresentationMgr>(window, title);
    }

    bool m_busy = false;
    int m_busyQueries = 0;
    std::vector<uint32_t> m_unavailable;  // documents whose presentation cannot be reached
};

// The list as the phone would see it: "0x10 Name" per manager, presentations marked "(16)".
Lines Offered(const CAppList& list)
{
    Lines lines;
    for (int i = 0; const CAppMgr* manager = list.GetAt(i); ++i) {
        const std::u16string name = manager->GetName();
        char id[16];
        std::snprintf(id, sizeof id, "0x%X ", static_cast<unsigned>(manager->GetWindow()));
        std::string line = id + std::string(name.begin(), name.end());
        if (manager->GetAppType() == APPTYPE_POWERPOINT)
            line += " (16)";
        lines.push_back(line);
    }
    return lines;
}

struct ListFixture {
    explicit ListFixture(bool withPresentationProgram = true)
        : list(desktop, processes, player, profiles, withPresentationProgram ? &presentation : nullptr)
    {
    }
    void Add(const ProfileSpec& spec) { profiles.push_back(maker.Make(spec)); }

    CTestProfiles maker;
    CFakeWindowSystem desktop;
    CFakeProcessListFactory processes;
    CFakeInputSynth input;
    CActionPlayer player{input, [] { return 10; }};
    CAppList::ProfileSet profiles;
    CFakePresentationSource presentation;
    CAppList list;
};

TEST(AppList, OffersVisibleTopLevelWindowsOfEnabledProfiles)
{
    ListFixture f;
    f.Add({u"Notes", u"Notepad"});
    f.desktop.AddWindow(0x10, u"Notepad");
    f.desktop.AddWindow(0x20, u"Notepad").m_visible = false;
    f.desktop.AddWindow(0x30, u"Notepad", u"", 0, 0);  // style 0
    f.desktop.AddWindow(0x40, u"Notepad", u"", 0, IWindowSystem::kStyleChild | 0x10000000u);
    f.desktop.AddWindow(0x50, u"Other");
    f.desktop.AddWindow(0x60, u"Notepad");
    f.desktop.AddWindow(0x70, u"notepad");  // classes compare with case

    ASSERT_TRUE(f.list.Update(false));
    EXPECT_EQ(Offered(f.list), (Lines{"0x10 Notes", "0x60 Notes"}));
    // Recognised by class alone: no process was looked at.
    EXPECT_TRUE(f.processes.m_directReads.empty());
    EXPECT_EQ(f.processes.m_created, 0);
}

// The same list whether each executable is read directly or, where that is refused, found in
// the process list.
TEST(AppList, RecognisesByClassExecutableAndTitle)
{
    const FakeProcesses running = {{0, u""}, {7, u"C:\\Windows\\System32\\calc.exe"}, {9, u"C:\\Apps\\browser.exe"}};
    for (const bool direct : {true, false}) {
        SCOPED_TRACE(direct ? "read directly" : "from the process list");
        ListFixture f;
        f.Add({u"ByClass", u"Editor, Viewer"});
        f.Add({u"ByExe", u"", u"calc.exe"});
        f.Add({u"ByTitle", u"", u"", u"- Browser"});
        (direct ? f.processes.m_readable : f.processes.m_processes) = running;
        f.desktop.AddWindow(0x10, u"Viewer", u"", 3);
        f.desktop.AddWindow(0x20, u"CalcFrame", u"Calculator", 7);
        f.desktop.AddWindow(0x30, u"Frame", u"Home - Browser", 9);
        // A window whose process is not listed still matches by title.
        f.desktop.AddWindow(0x40, u"Frame", u"News - Browser", 1234);
        f.desktop.AddWindow(0x50, u"CalcFrame", u"Calculator", 9);

        ASSERT_TRUE(f.list.Update(false));
        EXPECT_EQ(Offered(f.list), (Lines{"0x10 ByClass", "0x20 ByExe", "0x30 ByTitle", "0x40 ByTitle"}));
    }
}

// A window's executable is read only when a profile asked about it can tell it by nothing
// else, once per process and update; the process list is made only for processes whose
// direct read was refused, once per update.
TEST(AppList, ReadsAnExecutableOnlyWhereAProfileNeedsIt)
{
    struct Case {
        const char* what;
        std::vector<ProfileSpec> profiles;
        FakeProcesses readable;
        Lines offered;
        std::vector<uint32_t> directReads;
        int listsMade;
    };
    const ProfileSpec byExe{u"ByExe", u"", u"tool.exe"};
    const ProfileSpec byExeOrTitle{u"ByExeOrTitle", u"", u"tool.exe", u"Tool"};
    const ProfileSpec byClass{u"ByClass", u"ToolWnd"};
    const ProfileSpec byClassAndExe{u"ClassDecides", u"OtherWnd", u"tool.exe"};
    const FakeProcesses both = {{21, u"C:\\tool.exe"}, {22, u"D:\\TOOL.EXE"}};
    const Case cases[] = {
        {"class profile first", {byClass, byExe}, both, {"0x10 ByClass", "0x20 ByClass", "0x30 ByClass"}, {}, 0},
        {"a class list decides alone", {byClassAndExe}, both, {}, {}, 0},
        {"title matches first", {byExeOrTitle}, both, {"0x10 ByExeOrTitle", "0x20 ByExeOrTitle", "0x30 ByExeOrTitle"},
         {}, 0},
        {"read once per process", {byExe}, both, {"0x10 ByExe", "0x20 ByExe", "0x30 ByExe"}, {21, 22}, 0},
        {"one process refused", {byExe}, {{21, u"C:\\tool.exe"}}, {"0x10 ByExe", "0x20 ByExe"}, {21, 22}, 1},
        {"all refused: one list", {byExe}, {}, {"0x10 ByExe", "0x20 ByExe"}, {21, 22}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ListFixture f;
        for (const ProfileSpec& spec : c.profiles)
            f.Add(spec);
        f.processes.m_readable = c.readable;
        f.processes.m_processes = {{21, u"C:\\tool.exe"}, {22, u"C:\\other.exe"}};
        f.desktop.AddWindow(0x10, u"ToolWnd", u"Tool", 21);
        f.desktop.AddWindow(0x20, u"ToolWnd", u"Tool 2", 21);
        f.desktop.AddPopup(0x30, u"ToolWnd", u"Tool", 22);
        f.desktop.AddWindow(0x40, u"Frame", u"", 0);  // a window whose process is unknown

        ASSERT_TRUE(f.list.Update(false));
        EXPECT_EQ(Offered(f.list), c.offered);
        EXPECT_EQ(f.processes.m_directReads, c.directReads);
        EXPECT_EQ(f.processes.m_created, c.listsMade);
        EXPECT_EQ(f.processes.m_refreshes, c.listsMade);

        // The next update reads again: executables are not kept across updates.
        f.processes.m_directReads.clear();
        ASSERT_TRUE(f.list.Update(false));
        EXPECT_EQ(f.processes.m_directReads, c.directReads);
    }
}

TEST(AppList, FirstEnabledMatchingProfileWins)
{
    ListFixture f;
    f.Add({u"Off", u"Notepad", u"", u"", {}, /*enabled=*/false});
    f.Add({u"First", u"Notepad"});
    f.Add({u"Second", u"Notepad"});
    f.Add({u"OnlyOff", u"Paint", u"", u"", {}, /*enabled=*/false});
    f.desktop.AddWindow(0x10, u"Notepad");
    f.desktop.AddWindow(0x20, u"Paint");
    f.desktop.AddPopup(0x30, u"Paint");

    ASSERT_TRUE(f.list.Update(false));
    EXPECT_EQ(Offered(f.list), (Lines{"0x10 First"}));
}

TEST(AppList, OffersOnePopupPerProfileBesideItsOrdinaryWindows)
{
    ListFixture f;
    f.Add({u"Player", u"PlayerWnd"});
    f.Add({u"Tool", u"ToolWnd"});
    f.desktop.AddPopup(0x10, u"PlayerWnd");
    f.desktop.AddWindow(0x20, u"PlayerWnd");
    f.desktop.AddPopup(0x30, u"PlayerWnd");
    f.desktop.AddPopup(0x40, u"ToolWnd");
    f.desktop.AddPopup(0x50, u"ToolWnd").m_visible = false;
    f.desktop.AddWindow(0x60, u"PlayerWnd");

    ASSERT_TRUE(f.list.Update(false));
    // Ordinary windows first, then the first pop-up of each profile.
    EXPECT_EQ(Offered(f.list), (Lines{"0x20 Player", "0x60 Player", "0x10 Player", "0x40 Tool"}));
}

TEST(AppList, ManagersCarryTheProfileSettings)
{
    ListFixture f;
    f.Add({u"Quiet", u"QuietWnd", u"", u"", {{u"1", u"KEY(A)"}}, true, /*bringToTop=*/false, false});
    f.Add({u"Loud", u"LoudWnd", u"", u"", {{u"1", u"KEY(B)"}}, true, true, /*autoRestore=*/false});
    f.desktop.AddWindow(0x10, u"QuietWnd");
    f.desktop.AddWindow(0x20, u"LoudWnd").m_showState = IWindowSystem::kShowMinimized;
    ASSERT_TRUE(f.list.Update(false));

    f.list.GetAt(0)->KeyEvent(0, 0x0031);
    EXPECT_TRUE(f.desktop.m_calls.empty());
    f.list.GetAt(1)->KeyEvent(0, 0x0031);
    EXPECT_EQ(f.desktop.m_calls, Lines{"foreground 0x20"});
    EXPECT_EQ(f.input.Events(), (Lines{"key+ 0x41", "key+ 0x42"}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(f.list.GetAt(i)->GetAppType(), APPTYPE_GENERIC);
        EXPECT_FALSE(f.list.GetAt(i)->IsActive());
    }
}

TEST(AppList, LookupByIndexAndWindow)
{
    ListFixture f;
    f.Add({u"Notes", u"Notepad"});
    f.desktop.AddWindow(0x10, u"Notepad");
    f.desktop.AddWindow(0xFFFF8010u, u"Notepad");  // a handle value that is negative as 32 bits
    ASSERT_TRUE(f.list.Update(false));

    EXPECT_EQ(f.list.GetAt(-1), nullptr);
    EXPECT_EQ(f.list.GetAt(2), nullptr);
    ASSERT_NE(f.list.FindByWindow(0xFFFF8010u), nullptr);
    EXPECT_EQ(f.list.FindByWindow(0xFFFF8010u), f.list.GetAt(1));
    EXPECT_EQ(f.list.FindByWindow(0x10), f.list.GetAt(0));
    EXPECT_EQ(f.list.FindByWindow(0x8010), nullptr);
    EXPECT_EQ(f.list.FindByWindow(0), nullptr);

    f.list.DeleteManagers();
    EXPECT_EQ(f.list.GetAt(0), nullptr);
    EXPECT_EQ(f.list.FindByWindow(0x10), nullptr);
}

TEST(AppList, RefreshRebuildsOnlyWhenTheWindowSumChanges)
{
    ListFixture f;
    f.Add({u"Notes", u"Notepad"});

    // Nothing offered: the sum 0 equals the initial one, so the first refresh reports no change.
    EXPECT_FALSE(f.list.Update(true));

    f.desktop.AddWindow(0x10, u"Notepad");
    f.desktop.AddWindow(0x99, u"Other");
    EXPECT_TRUE(f.list.Update(true));
    CAppMgr* first = f.list.GetAt(0);
    ASSERT_NE(first, nullptr);

    // An unrecognised window does not change the sum; the managers stay as they were.
    f.desktop.Close(0x99);
    EXPECT_FALSE(f.list.Update(true));
    EXPECT_EQ(f.list.GetAt(0), first);

    f.desktop.AddWindow(0x20, u"Notepad");
    EXPECT_TRUE(f.list.Update(true));
    EXPECT_EQ(Offered(f.list), (Lines{"0x10 Notes", "0x20 Notes"}));

    // The phone's own request always rebuilds, and sets the sum the refresh compares with.
    EXPECT_TRUE(f.list.Update(false));
    EXPECT_FALSE(f.list.Update(true));

    f.desktop.Close(0x10);
    f.desktop.Close(0x20);
    EXPECT_TRUE(f.list.Update(true));
    EXPECT_TRUE(Offered(f.list).empty());
}

TEST(AppList, FailedEnumerationKeepsTheManagers)
{
    ListFixture f;
    f.Add({u"Notes", u"Notepad"});
    f.desktop.AddWindow(0x10, u"Notepad");
    ASSERT_TRUE(f.list.Update(false));
    CAppMgr* manager = f.list.GetAt(0);

    f.desktop.m_failEnumeration = true;
    f.desktop.AddWindow(0x20, u"Notepad");
    EXPECT_FALSE(f.list.Update(false));
    EXPECT_FALSE(f.list.Update(true));
    EXPECT_EQ(f.list.GetAt(0), manager);
    EXPECT_EQ(f.list.GetAt(1), nullptr);

    // The failed attempts did not disturb the change detection.
    f.desktop.m_failEnumeration = false;
    EXPECT_TRUE(f.list.Update(true));
    EXPECT_EQ(Offered(f.list), (Lines{"0x10 Notes", "0x20 Notes"}));
}

TEST(AppList, WithoutAProcessListOnlyExecutableMatchingIsLost)
{
    ListFixture f;
    f.processes.m_fail = true;
    f.processes.m_processes = {{7, u"C:\\calc.exe"}};
    f.Add({u"ByExe", u"", u"calc.exe"});
    f.Add({u"ByTitle", u"", u"", u"Calc"});
    f.desktop.AddWindow(0x10, u"CalcFrame", u"Calculator", 7);
    ASSERT_TRUE(f.list.Update(false));
    EXPECT_EQ(Offered(f.list), (Lines{"0x10 ByTitle"}));
}

// The presentation program: a main window with a toolbar, an empty MDIClient and the document
// area (the last MDIClient) holding three documents, one with a document window inside it.
struct PresentationFixture : ListFixture {
    explicit PresentationFixture(bool withPresentationProgram = true) : ListFixture(withPresentationProgram)
    {
        Add({u"PowerPoint", u"PPTFrameClass"});
        desktop.AddWindow(0x100, u"PPTFrameClass", u"PowerPoint", 5);
        desktop.AddChild(0x100, 0x101, u"MDIClient");
        desktop.AddChild(0x100, 0x102, u"Toolbar");
        desktop.AddChild(0x100, 0x110, u"MDIClient");
        AddDocument(0x110, 0x111, u"Talk.ppt");
        AddDocument(0x111, 0x112, u"Inner");  // a descendant at any depth counts
        desktop.AddChild(0x110, 0x113, u"Ruler");
        AddDocument(0x110, 0x114, u"Plan.ppt");
    }
    void AddDocument(uint32_t parent, uint32_t id, std::u16string title)
    {
        desktop.AddChild(parent, id, u"mdiClass").m_title = std::move(title);
    }
};

TEST(AppList, OffersEachOpenPresentationInsteadOfTheProgram)
{
    PresentationFixture f;
    f.Add({u"Generic", u"PPTFrameClass"});  // never reached: the presentation profile comes first
    ASSERT_TRUE(f.list.Update(false));
    EXPECT_EQ(Offered(f.list), (Lines{"0x111 Talk.ppt (16)", "0x112 Inner (16)", "0x114 Plan.ppt (16)"}));
    EXPECT_EQ(f.list.FindByWindow(0x100), nullptr);
}

TEST(AppList, PresentationEntriesNeedTheExactProfileAndADocumentArea)
{
    struct Case {
        const char* what;
        void (*change)(PresentationFixture&);
        Lines offered;
    };
    const Case cases[] = {
        {"no document area",
         [](PresentationFixture& f) {
             f.desktop.At(0x101).m_className = u"Frame";
             f.desktop.At(0x110).m_className = u"Frame";
         },
         {}},
        {"child enumeration fails", [](PresentationFixture& f) { f.desktop.m_failChildEnumeration = true; }, {}},
        {"the last document area is empty",
         [](PresentationFixture& f) { f.desktop.AddChild(0x100, 0x120, u"MDIClient"); },
         {}},
        {"profile disabled",
         [](PresentationFixture& f) { f.profiles[0]->SetEnabled(false); },
         {}},
        {"profile name in small letters is an ordinary profile",
         [](PresentationFixture& f) { f.profiles[0] = f.maker.Make({u"powerpoint", u"PPTFrameClass"}); },
         {"0x100 powerpoint"}},
        {"a pop-up window is never the presentation program",
         [](PresentationFixture& f) { f.desktop.At(0x100).m_style = CFakeWindowSystem::kPopup; },
         {"0x100 PowerPoint"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PresentationFixture f;
        c.change(f);
        ASSERT_TRUE(f.list.Update(false));
        EXPECT_EQ(Offered(f.list), c.offered);
    }
}

TEST(AppList, WithoutThePresentationProgramDocumentsGetNoManagers)
{
    PresentationFixture f(/*withPresentationProgram=*/false);
    f.Add({u"Notes", u"Notepad"});
    f.desktop.AddWindow(0x10, u"Notepad");
    ASSERT_TRUE(f.list.Update(false));
    EXPECT_EQ(Offered(f.list), (Lines{"0x10 Notes"}));
    EXPECT_EQ(f.presentation.m_busyQueries, 0);
}

TEST(AppList, UnreachablePresentationIsLeftOutButCounted)
{
    PresentationFixture f;
    f.presentation.m_unavailable = {0x111};
    ASSERT_TRUE(f.list.Update(false));
    EXPECT_EQ(Offered(f.list), (Lines{"0x112 Inner (16)", "0x114 Plan.ppt (16)"}));

    // Its window is in the sum, so it becoming reachable is not a change by itself.
    f.presentation.m_unavailable.clear();
    EXPECT_FALSE(f.list.Update(true));
    EXPECT_TRUE(f.list.Update(false));
    EXPECT_EQ(Offered(f.list).size(), 3u);
}

TEST(AppList, BusyPresentationProgramDoesNotTriggerARefresh)
{
    PresentationFixture f;
    f.Add({u"Notes", u"Notepad"});
    f.presentation.m_busy = true;
    ASSERT_TRUE(f.list.Update(false));

    // While it is busy its documents are left out of the sum: opening or closing one is no
    // change, another application's window is.
    f.AddDocument(0x110, 0x116, u"New.ppt");
    EXPECT_FALSE(f.list.Update(true));
    f.desktop.At(0x110).m_children.erase(f.desktop.At(0x110).m_children.begin());  // closes Talk.ppt
    EXPECT_FALSE(f.list.Update(true));
    f.desktop.AddWindow(0x10, u"Notepad");
    EXPECT_TRUE(f.list.Update(true));
    EXPECT_EQ(Offered(f.list), (Lines{"0x114 Plan.ppt (16)", "0x116 New.ppt (16)", "0x10 Notes"}));

    // Once it answers again, its documents count.
    f.presentation.m_busy = false;
    EXPECT_TRUE(f.list.Update(true));
    EXPECT_FALSE(f.list.Update(true));
}

}  // namespace
