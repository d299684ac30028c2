// Application-list rebuild time on a busy desktop: 100 top-level windows (ordinary, pop-up and
// hidden) and 300 processes, against a dozen profiles with full key mappings, through the test
// doubles of the window system and the process list.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "../tests/unit/FakeInputSynth.h"
#include "../tests/unit/FakeProcessList.h"
#include "../tests/unit/FakeWindowSystem.h"
#include "../tests/unit/TestProfiles.h"
#include "appctl/ActionPlayer.h"
#include "appctl/AppList.h"

namespace {

constexpr int kWindows = 100;
constexpr int kProcesses = 300;

std::u16string Number(int value)
{
    const std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

// Seventeen mapped keys, as the profile editor writes them.
std::vector<std::pair<std::u16string, std::u16string>> FullMapping()
{
    std::vector<std::pair<std::u16string, std::u16string>> keys = {
        {u"Right", u"KEY(RIGHT)"}, {u"Left", u"KEY(LEFT)"},  {u"Up", u"MOUSE(UP)"},
        {u"Down", u"MOUSE(DOWN)"}, {u"Button", u"MOUSE(BUTTON1)"}, {u"Star", u"KEY(TAB,alt)"},
        {u"Hash", u"KEY(F4,alt)"},
    };
    for (int digit = 0; digit <= 9; ++digit)
        keys.emplace_back(Number(digit), u"KEY(" + Number(digit) + u",ctrl);KEY(ENTER)");
    return keys;
}

struct Desktop {
    Desktop()
    {
        for (int i = 0; i < kProcesses; ++i)
            processes.m_processes.emplace_back(4 * (i + 1), u"C:\\Program Files\\Vendor " + Number(i) +
                                                                u"\\app" + Number(i) + u".exe");
        // The Windows program reads each executable directly; the list is only its fallback.
        processes.m_readable = processes.m_processes;
        // Four profiles of each kind; together they recognise about a quarter of the windows.
        for (int k = 0; k < 4; ++k) {
            const std::u16string classes = u"Dialog" + Number(k) + u", Frame" + Number(k);
            const std::u16string executable = u"APP" + Number(3 * (30 + k)) + u".EXE";
            const std::u16string title = u"Window " + Number(7 + 30 * k) + u" -";
            profiles.push_back(maker.Make({u"Class " + Number(k), classes, u"", u"", FullMapping()}));
            profiles.push_back(maker.Make({u"Exe " + Number(k), u"", executable, u"", FullMapping()}));
            profiles.push_back(maker.Make({u"Title " + Number(k), u"", u"", title, FullMapping()}));
        }
        // Window i belongs to process 3i; every fifth window is a pop-up, every tenth hidden.
        for (int i = 0; i < kWindows; ++i) {
            const uint32_t id = 0x10000 + 0x22 * static_cast<uint32_t>(i);
            const uint32_t pid = 4 * static_cast<uint32_t>(1 + 3 * i);
            const std::u16string windowClass = u"Frame" + Number(i % 25);
            const std::u16string title = u"Window " + Number(i) + u" - Program";
            CFakeWindow& window = i % 5 == 4 ? desktop.AddPopup(id, windowClass, title, pid)
                                             : desktop.AddWindow(id, windowClass, title, pid);
            window.m_visible = i % 10 != 9;
        }
    }

    CTestProfiles maker;
    CFakeWindowSystem desktop;
    CFakeProcessListFactory processes;
    CAppList::ProfileSet profiles;
    CFakeInputSynth input;
    CActionPlayer player{input, [] { return 10; }};
    CAppList list{desktop, processes, player, profiles, nullptr};
};

int CountManagers(const CAppList& list)
{
    int count = 0;
    while (list.GetAt(count) != nullptr)
        ++count;
    return count;
}

// The phone's list request: the desktop is examined and every manager rebuilt.
void BM_AppListRebuild(benchmark::State& state)
{
    Desktop d;
    for (auto _ : state)
        benchmark::DoNotOptimize(d.list.Update(false));
    state.counters["managers"] = CountManagers(d.list);
}
BENCHMARK(BM_AppListRebuild)->Unit(benchmark::kMicrosecond);

// The periodic refresh when nothing changed: the desktop is examined, nothing rebuilt.
void BM_AppListUnchangedRefresh(benchmark::State& state)
{
    Desktop d;
    d.list.Update(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(d.list.Update(true));
}
BENCHMARK(BM_AppListUnchangedRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
