#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeProcessList.h"
#include "process/ProcessList.h"

namespace {

std::vector<uint32_t> DrainPids(CProcessList& list, size_t limit = 100)
{
    std::vector<uint32_t> pids;
    while (pids.size() < limit) {
        CProcess* process = list.GetNext();
        if (process == nullptr)
            break;
        pids.push_back(process->GetPid());
    }
    return pids;
}

// Counts destructions through the base pointer, so a missing virtual destructor or a leaked
// record shows.
class CCountedProcess : public CProcess {
public:
    CCountedProcess(uint32_t pid, int& destroyed) : CProcess(pid, u"counted.exe"), m_destroyed(destroyed) {}
    ~CCountedProcess() override { ++m_destroyed; }

private:
    int& m_destroyed;
};

class CCountedList : public CProcessList {
public:
    CCountedList(int count, int& destroyed) : m_count(count), m_destroyed(destroyed) {}
    bool Refresh() override
    {
        CProcessList::Refresh();
        for (int i = 0; i < m_count; ++i)
            Append(std::make_unique<CCountedProcess>(static_cast<uint32_t>(i + 1), m_destroyed));
        return true;
    }

private:
    int m_count;
    int& m_destroyed;
};

TEST(ProcessList, BaseRefreshEmptiesAndReportsFailure)
{
    CProcessList list;
    EXPECT_FALSE(list.Refresh());
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetNext(), nullptr);
}

TEST(ProcessList, GetNextWalksInInsertionOrderThenStaysAtEndUntilRewind)
{
    CFakeProcessList list({{7, u"a.exe"}, {3, u"b.exe"}, {9, u"c.exe"}});
    ASSERT_TRUE(list.Refresh());

    CProcess* first = list.GetNext();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetPid(), 7u);
    EXPECT_EQ(first->GetExeName(), u"a.exe");
    EXPECT_EQ(DrainPids(list), (std::vector<uint32_t>{3, 9}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.GetNext(), nullptr);

    list.Rewind();
    EXPECT_EQ(list.GetNext(), first);
    list.Rewind();
    EXPECT_EQ(DrainPids(list), (std::vector<uint32_t>{7, 3, 9}));
}

// The application list rewinds before each search, usually in the middle of the list.
TEST(ProcessList, RewindMidWayRestartsAtFirst)
{
    CFakeProcessList list({{1, u"a"}, {2, u"b"}, {3, u"c"}});
    list.Refresh();
    ASSERT_NE(list.GetNext(), nullptr);
    ASSERT_NE(list.GetNext(), nullptr);
    list.Rewind();
    EXPECT_EQ(DrainPids(list), (std::vector<uint32_t>{1, 2, 3}));
}

TEST(ProcessList, RefreshReplacesRecordsAndRewinds)
{
    int destroyed = 0;
    {
        CCountedList list(3, destroyed);
        list.Refresh();
        ASSERT_NE(list.GetNext(), nullptr);
        ASSERT_NE(list.GetNext(), nullptr);

        list.Refresh();
        EXPECT_EQ(destroyed, 3);
        EXPECT_EQ(DrainPids(list), (std::vector<uint32_t>{1, 2, 3}));

        // Past the end before a refresh: the new records are walked from the first.
        list.Refresh();
        EXPECT_EQ(destroyed, 6);
        EXPECT_EQ(DrainPids(list), (std::vector<uint32_t>{1, 2, 3}));
    }
    EXPECT_EQ(destroyed, 9);
}

TEST(ProcessList, BaseRefreshOnFilledListDestroysRecords)
{
    int destroyed = 0;
    CCountedList list(2, destroyed);
    list.Refresh();
    EXPECT_FALSE(list.CProcessList::Refresh());
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(list.GetNext(), nullptr);
}

TEST(ProcessList, FakeFactoryMakesFreshListsOrFails)
{
    CFakeProcessListFactory factory;
    factory.m_processes = {{42, u"C:\\x\\app.exe"}};
    std::unique_ptr<CProcessList> list = factory.CreateProcessList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetNext(), nullptr);  // nothing until refreshed
    EXPECT_TRUE(list->Refresh());
    EXPECT_EQ(DrainPids(*list), (std::vector<uint32_t>{42}));
    EXPECT_EQ(factory.m_refreshes, 1);

    factory.m_fail = true;
    EXPECT_EQ(factory.CreateProcessList(), nullptr);
    EXPECT_EQ(factory.m_created, 2);
}

}  // namespace
