#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "common/TestSupport.h"
#include "res/StringTable.h"
#include "session/HostList.h"
#include "settings/SettingsStore.h"

using brumble::test::CRecordingMessageSink;
using brumble::test::ScopedTempDir;
using HostList::Item;
using Texts = std::vector<std::string>;

namespace {

Texts TextsOf(const std::vector<Item>& items)
{
    Texts texts;
    for (const Item& item : items)
        texts.push_back(item.text);
    return texts;
}

class HostListTest : public testing::Test {
protected:
    std::optional<HostList::Choice> Ok(const std::string& host, const std::string& portText,
                                       std::optional<unsigned> chosen = std::nullopt)
    {
        return HostList::Accept(m_store, m_messages, host, portText, chosen,
                                HostList::LoadDialogLists(m_store).ports);
    }
    // "Connect" entries as text: a number in decimal, "" for an entry that is not there.
    Texts At(std::initializer_list<std::string> entries)
    {
        Texts values;
        for (const std::string& entry : entries) {
            const int n = m_store.ReadInt("Connect", entry, INT_MIN);
            values.push_back(n != INT_MIN ? std::to_string(n)
                                          : m_store.ReadString("Connect", entry, ""));
        }
        return values;
    }
    // Stores "Host nn" with its "Host Port nn" as an earlier OK would.
    void StoreHost(int n, const std::string& host, int port)
    {
        m_store.WriteString("Connect", "Host 0" + std::to_string(n), host);
        m_store.WriteInt("Connect", "Host Port 0" + std::to_string(n), port);
    }
    void ExpectOneRefusal(int id)
    {
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(m_messages.shown[0].text, LoadString(id));
        EXPECT_EQ(m_messages.shown[0].icon, CRecordingMessageSink::Icon::None);
        EXPECT_EQ(m_messages.shown[0].buttons, CRecordingMessageSink::Buttons::Ok);
        m_messages.shown.clear();
    }

    ScopedTempDir m_dir;
    CSettingsStore m_store{m_dir.File("settings.db")};
    CRecordingMessageSink m_messages;
};

} // namespace

TEST_F(HostListTest, NoSettingsOpensWithEmptyHostAndTheMuckPort)
{
    const auto lists = HostList::LoadDialogLists(m_store);
    EXPECT_TRUE(lists.hosts.empty());
    EXPECT_EQ(lists.hostIndex, -1);
    ASSERT_EQ(lists.ports.size(), 18u);
    EXPECT_EQ(lists.ports[lists.portIndex].text, "MUCK (8888)");
    // Shown in alphabetical order, not in the table's order.
    EXPECT_EQ(lists.ports.front().text, "CharGen (19)");
    EXPECT_EQ(lists.ports.back().text, "WWW (80)");

    // Letters compare without regard to case; texts differing only in case keep a fixed order.
    std::vector<Item> items;
    for (const char* text : {"zeta", "Alpha", "beta", "alpha", "Beta2", "IRCD", "IRC"})
        HostList::InsertSorted(items, {text, 1});
    EXPECT_EQ(TextsOf(items), (Texts{"Alpha", "alpha", "beta", "Beta2", "IRC", "IRCD", "zeta"}));
}

TEST_F(HostListTest, PortOfTextTakesTheLeadingDecimalNumber)
{
    for (const char* text : {"4000", "   4000 and more", "0004000"})
        EXPECT_EQ(HostList::PortOfText(text), 4000u) << text;
    EXPECT_EQ(HostList::PortOfText("23/"), 23u);
    EXPECT_EQ(HostList::PortOfText("65535"), 65535u);
    // Past 65535, and far past what an unsigned holds: 0, never a wrapped small port.
    for (const char* text : {"", "   ", "Telnet (23)", "-23", "+23", "65536", "4294971296",
                             "99999999999999999999999999"})
        EXPECT_EQ(HostList::PortOfText(text), 0u) << '"' << text << '"';
}

TEST_F(HostListTest, TypedPortIsStoredAndListedNextTime)
{
    const auto choice = Ok("  mud.example.org ", "4000"); // blanks are not part of a name
    ASSERT_TRUE(choice);
    EXPECT_EQ(std::tie(choice->host, choice->port), std::tuple("mud.example.org", 4000u));
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(At({"Last Host", "Last Port", "Host 01", "Host Port 01", "Port 01"}),
              (Texts{"mud.example.org", "4000", "mud.example.org", "4000", "4000"}));
    const auto lists = HostList::LoadDialogLists(m_store);
    EXPECT_EQ(TextsOf(lists.hosts), Texts{"mud.example.org"});
    EXPECT_EQ(lists.hostIndex, 0);
    EXPECT_EQ(lists.hosts[0].port, 4000u);
    ASSERT_EQ(lists.ports.size(), 19u);
    EXPECT_EQ(lists.ports[0].text, "4000"); // digits sort before letters
    EXPECT_EQ(lists.ports[0].port, 4000u);
    EXPECT_EQ(lists.portIndex, 0);

    // Typed again (or another host on it): the list carries it now, so it is not stored twice.
    ASSERT_TRUE(Ok("other.example.org", " 4000 "));
    EXPECT_EQ(At({"Port 02", "Last Port"}), (Texts{"", " 4000 "}));
    // Each OK puts its host at the top of the recent list.
    ASSERT_TRUE(Ok("mud.example.org", "4000"));
    EXPECT_EQ(HostList::RecentHosts(m_store), (Texts{"mud.example.org", "other.example.org"}));
}

TEST_F(HostListTest, RefusedFieldsWriteNothing)
{
    // An empty host is refused first: only its message, not the port one too.
    for (const std::string host : {"", "   ", "\t"}) {
        EXPECT_FALSE(Ok(host, "")) << '"' << host << '"';
        ExpectOneRefusal(8002);
    }
    // A built-in row's text typed by hand names no port, nor does a number past the range.
    for (const std::string port : {"Telnet (23)", "70000"}) {
        EXPECT_FALSE(Ok("mud.example.org", port)) << port;
        ExpectOneRefusal(8001);
    }
    EXPECT_EQ(At({"Last Host", "Last Port", "Host 01"}), (Texts{"", "", ""}));
    EXPECT_TRUE(HostList::RecentHosts(m_store).empty());
}

TEST_F(HostListTest, ChosenItemsAreNotStoredAsTypedPorts)
{
    const auto ports = HostList::LoadDialogLists(m_store).ports;
    const auto choice = HostList::Accept(m_store, m_messages, "mud.example.org", ports.front().text,
                                         ports.front().port, ports);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->port, 19u);
    EXPECT_EQ(At({"Port 01", "Last Port", "Host Port 01"}), (Texts{"", "CharGen (19)", "19"}));
    // A number typed that a built-in row carries is not stored either.
    ASSERT_TRUE(Ok("second.example.org", "23"));
    EXPECT_EQ(At({"Port 01"}), Texts{""});
    // Next time the last host is preselected with its port item.
    const auto lists = HostList::LoadDialogLists(m_store);
    ASSERT_EQ(lists.hostIndex, 1);
    EXPECT_EQ(lists.hosts[1].text, "second.example.org");
    EXPECT_EQ(lists.ports[lists.portIndex].text, "Telnet (23)");
}

TEST_F(HostListTest, ReconnectingAStoredHostKeepsItsNumber)
{
    ASSERT_TRUE(Ok("alpha.example.org", "4000"));
    ASSERT_TRUE(Ok("beta.example.org", "23"));
    ASSERT_TRUE(Ok("alpha.example.org", "5000"));
    EXPECT_EQ(
        At({"Host 01", "Host Port 01", "Host 02", "Host Port 02", "Host 03", "Port 01", "Port 02"}),
        (Texts{"alpha.example.org", "5000", "beta.example.org", "23", "", "4000", "5000"}));
    EXPECT_EQ(HostList::StoredHostPort(m_store, "alpha.example.org"), 5000u);
    auto lists = HostList::LoadDialogLists(m_store);
    EXPECT_EQ(TextsOf(lists.hosts), (Texts{"alpha.example.org", "beta.example.org"}));
    EXPECT_EQ(lists.hosts[0].port, 5000u);
    EXPECT_EQ(lists.hostIndex, 0);
    EXPECT_EQ(lists.ports[lists.portIndex].text, "5000");

    // The last host is matched exactly (another letter case is not the same host); when it
    // is not found, the last port text decides, and a text no item has selects the first.
    m_store.WriteString("Connect", "Last Host", "ALPHA.example.org");
    m_store.WriteString("Connect", "Last Port", "WWW (80)");
    lists = HostList::LoadDialogLists(m_store);
    EXPECT_EQ(lists.hostIndex, -1);
    EXPECT_EQ(lists.ports[lists.portIndex].text, "WWW (80)");
    m_store.WriteString("Connect", "Last Port", "4000abc");
    EXPECT_EQ(HostList::LoadDialogLists(m_store).portIndex, 0);
}

TEST_F(HostListTest, UnusableStoredEntriesAreSkippedAndTheOlderListIsOnlyRead)
{
    StoreHost(1, "noport.example.org", 0);
    StoreHost(2, "big.example.org", 70000);
    StoreHost(3, "good.example.org", 4000);
    StoreHost(5, "hidden.example.org", 4000); // after the gap
    const std::pair<int, int> typed[] = {{1, -5}, {2, 70000}, {3, 4000}, {5, 6000}}; // 5: after 0
    for (const auto& [n, port] : typed)
        m_store.WriteInt("Connect", "Port 0" + std::to_string(n), port);
    // The host list of older versions joins, but for names a listed host starts with.
    const std::tuple<int, const char*, int> older[] = {{1, "old.example.org", 5000},
                                                       {2, "GOOD", 23},
                                                       {3, "noport.old.org", 0},
                                                       {4, "Old", 23},
                                                       {6, "after.gap.org", 23}};
    for (const auto& [n, host, port] : older) {
        m_store.WriteString("Host", "Item " + std::to_string(n), host);
        m_store.WriteInt("Port", "Item " + std::to_string(n), port);
    }
    const auto lists = HostList::LoadDialogLists(m_store);
    EXPECT_EQ(TextsOf(lists.hosts), (Texts{"good.example.org", "old.example.org"}));
    EXPECT_EQ(lists.hosts[1].port, 5000u);
    ASSERT_EQ(lists.ports.size(), 19u);
    EXPECT_EQ(lists.ports[0].text, "4000");
    for (const char* host :
         {"noport.example.org", "big.example.org", "hidden.example.org", "old.example.org"})
        EXPECT_FALSE(HostList::StoredHostPort(m_store, host)) << host;
    EXPECT_EQ(HostList::StoredHostPort(m_store, "good.example.org"), 4000u);

    // A new host goes into the first empty number, the one in the gap; a new typed port to the
    // first unused number, after the unusable ones. The older list is never written.
    ASSERT_TRUE(Ok("new.example.org", "7777"));
    EXPECT_EQ(At({"Host 04", "Port 04", "Port 05"}), (Texts{"new.example.org", "7777", "6000"}));
    EXPECT_EQ(m_store.ReadString("Host", "Item 5", ""), "");
}

TEST_F(HostListTest, RecentHostsRotateAndKeepSixteen)
{
    HostList::AddToRecentFileList(m_store, ""); // nothing to remember
    EXPECT_TRUE(HostList::RecentHosts(m_store).empty());
    Texts expected;
    for (int i = 1; i <= 17; ++i) {
        HostList::AddToRecentFileList(m_store, "host" + std::to_string(i));
        expected.insert(expected.begin(), "host" + std::to_string(i));
    }
    expected.pop_back(); // host1, the oldest, dropped out
    EXPECT_EQ(HostList::RecentHosts(m_store), expected);
    EXPECT_EQ(m_store.ReadString("Recent File List", "File16", ""), "host2");

    // A known host moves up (matched without regard to case, stored as given).
    HostList::AddToRecentFileList(m_store, "HOST10");
    expected.erase(expected.begin() + 7);
    expected.insert(expected.begin(), "HOST10");
    EXPECT_EQ(HostList::RecentHosts(m_store), expected);
    // The last entry is not searched, yet it does not end up twice either.
    HostList::AddToRecentFileList(m_store, "host2");
    expected.pop_back();
    expected.insert(expected.begin(), "host2");
    EXPECT_EQ(HostList::RecentHosts(m_store), expected);

    // A short list grows, and leftovers behind an empty entry stay hidden.
    m_store.WriteString("Recent File List", "File2", "");
    HostList::AddToRecentFileList(m_store, "b");
    EXPECT_EQ(HostList::RecentHosts(m_store), (Texts{"b", "host2"}));
    HostList::AddToRecentFileList(m_store, "c");
    HostList::AddToRecentFileList(m_store, "HOST2");
    EXPECT_EQ(HostList::RecentHosts(m_store), (Texts{"HOST2", "c", "b"}));
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
