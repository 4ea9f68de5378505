#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "common/TestSupport.h"
#include "res/StringTable.h"
#include "session/HostList.h"
#include "settings/SettingsStore.h"

using brumble::test::CRecordingMessageSink;
using brumble::test::ScopedTempDir;
using HostList::Item;

namespace {

class HostListTest : public testing::Test {
protected:
    ScopedTempDir m_dir;
    CSettingsStore m_store{m_dir.File("settings.db")};
    CRecordingMessageSink m_messages;

    std::optional<HostList::Choice> Ok(const std::string& host, const std::string& portText,
                                       std::optional<unsigned> chosen = std::nullopt)
    {
        return HostList::Accept(m_store, m_messages, host, portText, chosen,
                                HostList::LoadDialogLists(m_store).ports);
    }
    std::string Connect(const std::string& entry)
    {
        return m_store.ReadString("Connect", entry, "");
    }
    int ConnectInt(const std::string& entry) { return m_store.ReadInt("Connect", entry, 0); }
};

int IndexOfText(const std::vector<Item>& items, const std::string& text)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].text == text)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

TEST_F(HostListTest, NoSettingsOpensWithEmptyHostAndTheMuckPort)
{
    const auto& table = HostList::BuiltInPorts();
    ASSERT_EQ(table.size(), 18u);
    EXPECT_EQ(table.front().text, "MUCK (8888)");
    EXPECT_EQ(table.front().port, HostList::kDefaultPort);
    EXPECT_EQ(table.back().text, "IRC (7000)");

    const auto lists = HostList::LoadDialogLists(m_store);
    EXPECT_TRUE(lists.hosts.empty());
    EXPECT_EQ(lists.hostIndex, -1);
    ASSERT_EQ(lists.ports.size(), 18u);
    EXPECT_EQ(lists.ports[lists.portIndex].text, "MUCK (8888)");
    EXPECT_EQ(lists.ports[lists.portIndex].port, 8888u);
    // Shown in alphabetical order, not in the table's order.
    EXPECT_EQ(lists.ports.front().text, "CharGen (19)");
    EXPECT_LT(IndexOfText(lists.ports, "IRC (7000)"), IndexOfText(lists.ports, "IRCD (194)"));
    EXPECT_EQ(lists.ports.back().text, "WWW (80)");
}

TEST_F(HostListTest, SortIgnoresCaseAndKeepsAFixedOrder)
{
    std::vector<Item> items;
    for (const char* text : {"zeta", "Alpha", "beta", "alpha", "Beta2"})
        HostList::InsertSorted(items, {text, 1});
    std::vector<std::string> texts;
    for (const auto& item : items)
        texts.push_back(item.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Alpha", "alpha", "beta", "Beta2", "zeta"}));
}

TEST_F(HostListTest, PortOfTextTakesTheLeadingDecimalNumber)
{
    EXPECT_EQ(HostList::PortOfText("4000"), 4000u);
    EXPECT_EQ(HostList::PortOfText("   4000 and more"), 4000u);
    EXPECT_EQ(HostList::PortOfText("23/"), 23u);
    EXPECT_EQ(HostList::PortOfText("0004000"), 4000u);
    EXPECT_EQ(HostList::PortOfText("65535"), 65535u);
    EXPECT_EQ(HostList::PortOfText(""), 0u);
    EXPECT_EQ(HostList::PortOfText("   "), 0u);
    EXPECT_EQ(HostList::PortOfText("Telnet (23)"), 0u);
    EXPECT_EQ(HostList::PortOfText("-23"), 0u);
    EXPECT_EQ(HostList::PortOfText("+23"), 0u);
    // Too large for a port, and far too large for an unsigned: never a wrapped small port.
    EXPECT_EQ(HostList::PortOfText("65536"), 0u);
    EXPECT_EQ(HostList::PortOfText("4294971296"), 0u);
    EXPECT_EQ(HostList::PortOfText("99999999999999999999999999"), 0u);
}

TEST_F(HostListTest, TypedPortIsStoredAndListedNextTime)
{
    const auto choice = Ok("mud.example.org", "4000");
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->host, "mud.example.org");
    EXPECT_EQ(choice->port, 4000u);
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(Connect("Last Host"), "mud.example.org");
    EXPECT_EQ(Connect("Last Port"), "4000");
    EXPECT_EQ(Connect("Host 01"), "mud.example.org");
    EXPECT_EQ(ConnectInt("Host Port 01"), 4000);
    EXPECT_EQ(ConnectInt("Port 01"), 4000);

    const auto lists = HostList::LoadDialogLists(m_store);
    ASSERT_EQ(lists.hosts.size(), 1u);
    EXPECT_EQ(lists.hostIndex, 0);
    EXPECT_EQ(lists.hosts[0].port, 4000u);
    ASSERT_EQ(lists.ports.size(), 19u);
    const int typed = IndexOfText(lists.ports, "4000");
    ASSERT_GE(typed, 0);
    EXPECT_EQ(lists.ports[typed].port, 4000u);
    EXPECT_EQ(typed, 0); // digits sort before letters
    EXPECT_EQ(lists.portIndex, typed);

    // Typed again (or another host on it): the list carries it now, so it is not stored twice.
    ASSERT_TRUE(Ok("other.example.org", " 4000 "));
    EXPECT_EQ(ConnectInt("Port 02"), 0);
    EXPECT_EQ(Connect("Last Port"), " 4000 ");
}

TEST_F(HostListTest, TypedBuiltInTextGivesNoPortAndWritesNothing)
{
    const auto choice = Ok("mud.example.org", "Telnet (23)");
    EXPECT_FALSE(choice);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, LoadString(8001));
    EXPECT_EQ(m_messages.shown[0].text,
              "You must select a port from the drop down list or enter a port number.");
    EXPECT_EQ(m_messages.shown[0].icon, CRecordingMessageSink::Icon::None);
    EXPECT_EQ(m_messages.shown[0].buttons, CRecordingMessageSink::Buttons::Ok);
    EXPECT_EQ(Connect("Last Host"), "");
    EXPECT_EQ(Connect("Host 01"), "");
    EXPECT_TRUE(HostList::RecentHosts(m_store).empty());

    m_messages.shown.clear();
    EXPECT_FALSE(Ok("mud.example.org", "70000"));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, LoadString(8001));
}

TEST_F(HostListTest, EmptyHostIsRefusedFirst)
{
    for (const std::string host : {"", "   ", "\t"}) {
        m_messages.shown.clear();
        EXPECT_FALSE(Ok(host, "")) << '"' << host << '"';
        ASSERT_EQ(m_messages.shown.size(), 1u); // only the host message, not the port one too
        EXPECT_EQ(m_messages.shown[0].text, "You must select a server from the drop down list, "
                                            "or enter a domain address.");
        EXPECT_EQ(m_messages.shown[0].icon, CRecordingMessageSink::Icon::None);
        EXPECT_EQ(m_messages.shown[0].buttons, CRecordingMessageSink::Buttons::Ok);
    }
    EXPECT_EQ(Connect("Last Port"), "");

    // Blanks around a name are not part of it.
    const auto choice = Ok("  mud.example.org ", "4000");
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->host, "mud.example.org");
    EXPECT_EQ(Connect("Host 01"), "mud.example.org");
}

TEST_F(HostListTest, ChosenItemsAreNotStoredAsTypedPorts)
{
    const auto ports = HostList::LoadDialogLists(m_store).ports;
    const Item first = ports.front();
    const auto choice =
        HostList::Accept(m_store, m_messages, "mud.example.org", first.text, first.port, ports);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->port, 19u);
    EXPECT_EQ(ConnectInt("Port 01"), 0);
    EXPECT_EQ(Connect("Last Port"), "CharGen (19)");
    EXPECT_EQ(ConnectInt("Host Port 01"), 19);

    // A number typed that a built-in row carries is not stored either.
    ASSERT_TRUE(Ok("second.example.org", "23"));
    EXPECT_EQ(ConnectInt("Port 01"), 0);

    // Next time the last host is preselected with its port item.
    const auto lists = HostList::LoadDialogLists(m_store);
    ASSERT_GE(lists.hostIndex, 0);
    EXPECT_EQ(lists.hosts[lists.hostIndex].text, "second.example.org");
    EXPECT_EQ(lists.ports[lists.portIndex].text, "Telnet (23)");
}

TEST_F(HostListTest, ReconnectingAStoredHostKeepsItsNumber)
{
    ASSERT_TRUE(Ok("alpha.example.org", "4000"));
    ASSERT_TRUE(Ok("beta.example.org", "23"));
    ASSERT_TRUE(Ok("alpha.example.org", "5000"));
    EXPECT_EQ(Connect("Host 01"), "alpha.example.org");
    EXPECT_EQ(ConnectInt("Host Port 01"), 5000);
    EXPECT_EQ(Connect("Host 02"), "beta.example.org");
    EXPECT_EQ(ConnectInt("Host Port 02"), 23);
    EXPECT_EQ(Connect("Host 03"), "");
    EXPECT_EQ(ConnectInt("Port 01"), 4000);
    EXPECT_EQ(ConnectInt("Port 02"), 5000);
    EXPECT_EQ(HostList::StoredHostPort(m_store, "alpha.example.org"), 5000u);

    const auto lists = HostList::LoadDialogLists(m_store);
    ASSERT_EQ(lists.hosts.size(), 2u);
    EXPECT_EQ(lists.hosts[0].text, "alpha.example.org");
    EXPECT_EQ(lists.hosts[0].port, 5000u);
    EXPECT_EQ(lists.hostIndex, 0);
    EXPECT_EQ(lists.ports[lists.portIndex].text, "5000");
}

TEST_F(HostListTest, LastChoicePreselection)
{
    // The last host is matched exactly: another letter case is not the same host.
    m_store.WriteString("Connect", "Host 01", "mud.example.org");
    m_store.WriteInt("Connect", "Host Port 01", 23);
    m_store.WriteString("Connect", "Last Host", "MUD.example.org");
    m_store.WriteString("Connect", "Last Port", "WWW (80)");
    auto lists = HostList::LoadDialogLists(m_store);
    EXPECT_EQ(lists.hostIndex, -1);
    EXPECT_EQ(lists.ports[lists.portIndex].text, "WWW (80)");

    // A last port text that no item has selects the first item.
    m_store.WriteString("Connect", "Last Port", "4000abc");
    lists = HostList::LoadDialogLists(m_store);
    EXPECT_EQ(lists.portIndex, 0);

    // The last host found: its port decides, whatever the last port text says.
    m_store.WriteString("Connect", "Last Host", "mud.example.org");
    lists = HostList::LoadDialogLists(m_store);
    EXPECT_EQ(lists.hostIndex, 0);
    EXPECT_EQ(lists.ports[lists.portIndex].text, "Telnet (23)");
}

TEST_F(HostListTest, UnusableStoredEntriesAreSkipped)
{
    m_store.WriteString("Connect", "Host 01", "noport.example.org");
    m_store.WriteInt("Connect", "Host Port 01", 0);
    m_store.WriteString("Connect", "Host 02", "big.example.org");
    m_store.WriteInt("Connect", "Host Port 02", 70000);
    m_store.WriteString("Connect", "Host 03", "good.example.org");
    m_store.WriteInt("Connect", "Host Port 03", 4000);
    m_store.WriteString("Connect", "Host 05", "hidden.example.org"); // after the gap
    m_store.WriteInt("Connect", "Host Port 05", 4000);
    m_store.WriteInt("Connect", "Port 01", -5);
    m_store.WriteInt("Connect", "Port 02", 70000);
    m_store.WriteInt("Connect", "Port 03", 4000);
    m_store.WriteInt("Connect", "Port 05", 6000); // after the first 0

    const auto lists = HostList::LoadDialogLists(m_store);
    ASSERT_EQ(lists.hosts.size(), 1u);
    EXPECT_EQ(lists.hosts[0].text, "good.example.org");
    EXPECT_EQ(lists.ports.size(), 19u);
    EXPECT_GE(IndexOfText(lists.ports, "4000"), 0);
    EXPECT_EQ(IndexOfText(lists.ports, "6000"), -1);

    EXPECT_FALSE(HostList::StoredHostPort(m_store, "noport.example.org"));
    EXPECT_FALSE(HostList::StoredHostPort(m_store, "big.example.org"));
    EXPECT_FALSE(HostList::StoredHostPort(m_store, "hidden.example.org"));
    EXPECT_EQ(HostList::StoredHostPort(m_store, "good.example.org"), 4000u);

    // A new host goes into the first empty number, the one in the gap.
    ASSERT_TRUE(Ok("new.example.org", "23"));
    EXPECT_EQ(Connect("Host 04"), "new.example.org");
    // A new typed port goes to the first unused number, after the unusable ones.
    ASSERT_TRUE(Ok("new.example.org", "7777"));
    EXPECT_EQ(ConnectInt("Port 04"), 7777);
    EXPECT_EQ(ConnectInt("Port 05"), 6000);
}

TEST_F(HostListTest, OlderHostListIsReadButNeverWritten)
{
    m_store.WriteString("Connect", "Host 01", "mud.example.org");
    m_store.WriteInt("Connect", "Host Port 01", 4000);
    m_store.WriteString("Host", "Item 1", "old.example.org");
    m_store.WriteInt("Port", "Item 1", 5000);
    m_store.WriteString("Host", "Item 2", "MUD"); // a stored host starts with it: skipped
    m_store.WriteInt("Port", "Item 2", 23);
    m_store.WriteString("Host", "Item 3", "noport.example.org");
    m_store.WriteInt("Port", "Item 3", 0);
    m_store.WriteString("Host", "Item 4", "Old"); // starts an item added just before: skipped
    m_store.WriteInt("Port", "Item 4", 23);
    m_store.WriteString("Host", "Item 6", "after.gap.org");
    m_store.WriteInt("Port", "Item 6", 23);

    const auto lists = HostList::LoadDialogLists(m_store);
    ASSERT_EQ(lists.hosts.size(), 2u);
    EXPECT_EQ(lists.hosts[0].text, "mud.example.org");
    EXPECT_EQ(lists.hosts[1].text, "old.example.org");
    EXPECT_EQ(lists.hosts[1].port, 5000u);

    ASSERT_TRUE(Ok("old.example.org", "5000"));
    EXPECT_EQ(Connect("Host 02"), "old.example.org");
    EXPECT_EQ(m_store.ReadString("Host", "Item 1", ""), "old.example.org");
    EXPECT_EQ(m_store.ReadString("Host", "Item 5", ""), "");
    // The older list is not the stored list: only "Connect" hosts count for a recent entry.
    EXPECT_FALSE(HostList::StoredHostPort(m_store, "after.gap.org"));
}

TEST_F(HostListTest, RecentHostsRotateAndKeepSixteen)
{
    EXPECT_TRUE(HostList::RecentHosts(m_store).empty());
    HostList::AddToRecentFileList(m_store, ""); // nothing to remember
    EXPECT_TRUE(HostList::RecentHosts(m_store).empty());

    for (int i = 1; i <= 17; ++i)
        HostList::AddToRecentFileList(m_store, "host" + std::to_string(i));
    auto recent = HostList::RecentHosts(m_store);
    ASSERT_EQ(recent.size(), 16u);
    EXPECT_EQ(recent.front(), "host17");
    EXPECT_EQ(recent.back(), "host2"); // host1, the oldest, dropped out
    EXPECT_EQ(m_store.ReadString("Recent File List", "File16", ""), "host2");

    // A known host moves up (matched without regard to case, stored as given).
    HostList::AddToRecentFileList(m_store, "HOST10");
    recent = HostList::RecentHosts(m_store);
    ASSERT_EQ(recent.size(), 16u);
    EXPECT_EQ(recent[0], "HOST10");
    EXPECT_EQ(recent[1], "host17");
    EXPECT_EQ(recent.back(), "host2");
    EXPECT_EQ(std::count(recent.begin(), recent.end(), "host10"), 0);

    // The last entry is not searched, yet it does not end up twice either.
    HostList::AddToRecentFileList(m_store, "host2");
    recent = HostList::RecentHosts(m_store);
    ASSERT_EQ(recent.size(), 16u);
    EXPECT_EQ(recent[0], "host2");
    EXPECT_EQ(recent.back(), "host3");
    EXPECT_EQ(std::count(recent.begin(), recent.end(), "host2"), 1);
}

TEST_F(HostListTest, ShortRecentListGrowsAndHidesLeftovers)
{
    m_store.WriteString("Recent File List", "File1", "a");
    m_store.WriteString("Recent File List", "File3", "stale"); // behind an empty entry
    HostList::AddToRecentFileList(m_store, "b");
    EXPECT_EQ(HostList::RecentHosts(m_store), (std::vector<std::string>{"b", "a"}));
    HostList::AddToRecentFileList(m_store, "c");
    EXPECT_EQ(HostList::RecentHosts(m_store), (std::vector<std::string>{"c", "b", "a"}));
    HostList::AddToRecentFileList(m_store, "A");
    EXPECT_EQ(HostList::RecentHosts(m_store), (std::vector<std::string>{"A", "c", "b"}));
}

TEST_F(HostListTest, OkPutsTheHostAtTheTopOfTheRecentList)
{
    ASSERT_TRUE(Ok("one.example.org", "4000"));
    ASSERT_TRUE(Ok("two.example.org", "4000"));
    ASSERT_TRUE(Ok("one.example.org", "4000"));
    EXPECT_EQ(HostList::RecentHosts(m_store),
              (std::vector<std::string>{"one.example.org", "two.example.org"}));
}

TEST_F(HostListTest, RecentHostRemovedFromTheStoredListIsNotFound)
{
    ASSERT_TRUE(Ok("one.example.org", "4000"));
    ASSERT_TRUE(Ok("two.example.org", "23"));
    EXPECT_EQ(HostList::StoredHostPort(m_store, "two.example.org"), 23u);
    EXPECT_FALSE(HostList::StoredHostPort(m_store, "TWO.example.org")); // exact match only
    EXPECT_FALSE(HostList::StoredHostPort(m_store, ""));

    // Removing a host (as the stored list is rewritten without it) ends the list before it.
    m_store.WriteString("Connect", "Host 02", "");
    EXPECT_FALSE(HostList::StoredHostPort(m_store, "two.example.org"));
    EXPECT_EQ(HostList::RecentHosts(m_store).front(), "two.example.org");
}
