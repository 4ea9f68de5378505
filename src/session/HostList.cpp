#include "session/HostList.h"

#include <algorithm>
#include <cstdint>

#include "res/StringTable.h"
#include "base/MessageSink.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

namespace HostList {

namespace {

constexpr std::string_view kSection = "Connect";
constexpr std::string_view kHostFormat = "Host %02d";
constexpr std::string_view kHostPortFormat = "Host Port %02d";
constexpr std::string_view kTypedPortFormat = "Port %02d";
constexpr std::string_view kLastHost = "Last Host";
constexpr std::string_view kLastPort = "Last Port";
// The host list of older versions: host names in one section, their ports in another,
// both under "Item %d". Read only, never written.
constexpr std::string_view kLegacyHostSection = "Host";
constexpr std::string_view kLegacyPortSection = "Port";
constexpr std::string_view kLegacyFormat = "Item %d";
constexpr std::string_view kRecentSection = "Recent File List";
constexpr std::string_view kRecentFormat = "File%d";

constexpr int kMessageNoPort = 8001;
constexpr int kMessageNoHost = 8002;

// Host names and list texts are 8-bit (Latin-1) text: fold the ASCII and the Latin-1
// capitals, leave every other byte as it is.
unsigned char FoldCase(char c)
{
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return static_cast<unsigned char>(u + 32);
    return u;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// A stored port is usable when it is a port TCP can reach; anything else (0, negative,
// too large) is treated as no port at all.
std::optional<unsigned> UsablePort(std::int32_t stored)
{
    if (stored <= 0 || static_cast<std::uint32_t>(stored) > kMaxPort)
        return std::nullopt;
    return static_cast<unsigned>(stored);
}

std::string TrimSpaces(const std::string& text)
{
    const char* spaces = " \t\r\n";
    const auto first = text.find_first_not_of(spaces);
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(spaces);
    return text.substr(first, last - first + 1);
}

void ShowRefusal(CMessageSink& messages, int id)
{
    messages.ShowMessage(LoadString(id), CMessageSink::Icon::None, CMessageSink::Buttons::Ok);
}

void WriteRecentHosts(CSettingsStore& store, const std::vector<std::string>& hosts)
{
    int n = 1;
    for (const auto& host : hosts)
        store.WriteString(kRecentSection, NumberedList::EntryName(kRecentFormat, n++), host);
    // An empty entry ends the list, so nothing left over further down comes back.
    if (n <= kRecentHostCount)
        store.WriteString(kRecentSection, NumberedList::EntryName(kRecentFormat, n), "");
}

} // namespace

const std::vector<Item>& BuiltInPorts()
{
    static const std::vector<Item> ports = {
        {"MUCK (8888)", 8888},  {"Echo (7)", 7},      {"DayTime (13)", 13}, {"QOTD (17)", 17},
        {"CharGen (19)", 19},   {"Telnet (23)", 23},  {"SMTP (25)", 25},    {"Domain (53)", 53},
        {"TFTP (69)", 69},      {"Gopher (70)", 70},  {"Finger (79)", 79},  {"WWW (80)", 80},
        {"RTelnet (107)", 107}, {"POP3 (110)", 110},  {"NNTP (119)", 119},  {"IRCD (194)", 194},
        {"SOCKS (1080)", 1080}, {"IRC (7000)", 7000},
    };
    return ports;
}

bool SortsBefore(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldCase(a[i]);
        const unsigned char y = FoldCase(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b; // same letters: capitals first, so the order never depends on insertion
}

std::size_t InsertSorted(std::vector<Item>& items, Item item)
{
    auto at = std::upper_bound(items.begin(), items.end(), item, [](const Item& x, const Item& y) {
        return SortsBefore(x.text, y.text);
    });
    return static_cast<std::size_t>(items.insert(at, std::move(item)) - items.begin());
}

DialogLists LoadDialogLists(CSettingsStore& store)
{
    DialogLists lists;

    for (int n = 1;; ++n) {
        std::string host = store.ReadString(kSection, NumberedList::EntryName(kHostFormat, n), "");
        if (host.empty())
            break;
        const auto port =
            UsablePort(store.ReadInt(kSection, NumberedList::EntryName(kHostPortFormat, n), 0));
        if (port)
            InsertSorted(lists.hosts, {std::move(host), *port});
    }

    // Hosts of the older list join unless the list already holds one starting with the name.
    for (int n = 1;; ++n) {
        const std::string entry = NumberedList::EntryName(kLegacyFormat, n);
        std::string host = store.ReadString(kLegacyHostSection, entry, "");
        if (host.empty())
            break;
        const bool known = std::any_of(lists.hosts.begin(), lists.hosts.end(), [&](const Item& i) {
            return StartsWithNoCase(i.text, host);
        });
        if (known)
            continue;
        const auto port = UsablePort(store.ReadInt(kLegacyPortSection, entry, 0));
        if (port)
            InsertSorted(lists.hosts, {std::move(host), *port});
    }

    for (const auto& item : BuiltInPorts())
        InsertSorted(lists.ports, item);
    for (int n = 1;; ++n) {
        const std::int32_t stored =
            store.ReadInt(kSection, NumberedList::EntryName(kTypedPortFormat, n), 0);
        if (stored == 0)
            break;
        if (const auto port = UsablePort(stored))
            InsertSorted(lists.ports, {std::to_string(*port), *port});
    }

    // The last host, when still listed, decides the port; otherwise the last port text does.
    std::optional<unsigned> hostPort;
    const std::string lastHost = store.ReadString(kSection, kLastHost, "");
    if (!lastHost.empty()) {
        for (std::size_t i = 0; i < lists.hosts.size(); ++i) {
            if (lists.hosts[i].text == lastHost) {
                lists.hostIndex = static_cast<int>(i);
                hostPort = lists.hosts[i].port;
                break;
            }
        }
    }
    std::optional<std::string> portText;
    if (!hostPort) {
        std::string lastPort = store.ReadString(kSection, kLastPort, "");
        portText = lastPort.empty() ? BuiltInPorts().front().text : std::move(lastPort);
    }
    lists.portIndex = 0;
    for (std::size_t i = 0; i < lists.ports.size(); ++i) {
        const Item& item = lists.ports[i];
        if ((portText && item.text == *portText) || (hostPort && item.port == *hostPort)) {
            lists.portIndex = static_cast<int>(i);
            break;
        }
    }
    return lists;
}

int FindPort(const std::vector<Item>& items, unsigned port)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].port == port)
            return static_cast<int>(i);
    }
    return -1;
}

unsigned PortOfText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    unsigned port = 0;
    bool anyDigit = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        anyDigit = true;
        port = port * 10 + static_cast<unsigned>(text[i] - '0');
        // Checked at every digit, so a long run of digits can never wrap around into a
        // small, wrong port.
        if (port > kMaxPort)
            return 0;
    }
    return anyDigit ? port : 0;
}

std::optional<Choice> Accept(CSettingsStore& store, CMessageSink& messages,
                             const std::string& hostText, const std::string& portText,
                             std::optional<unsigned> chosenPort, const std::vector<Item>& ports)
{
    // Surrounding blanks cannot be part of a host name; keeping them would only make a
    // second settings section for the same host.
    Choice choice;
    choice.host = TrimSpaces(hostText);
    if (choice.host.empty()) {
        ShowRefusal(messages, kMessageNoHost);
        return std::nullopt;
    }
    choice.port = chosenPort ? *chosenPort : PortOfText(portText);
    if (choice.port == 0 || choice.port > kMaxPort) {
        ShowRefusal(messages, kMessageNoPort);
        return std::nullopt;
    }

    store.WriteString(kSection, kLastHost, choice.host);
    store.WriteString(kSection, kLastPort, portText);

    // A known host keeps its number and takes the new port; a new one is appended.
    for (int n = 1;; ++n) {
        const std::string entry = NumberedList::EntryName(kHostFormat, n);
        const std::string stored = store.ReadString(kSection, entry, "");
        if (stored.empty() || stored == choice.host) {
            store.WriteString(kSection, entry, choice.host);
            store.WriteInt(kSection, NumberedList::EntryName(kHostPortFormat, n),
                           static_cast<std::int32_t>(choice.port));
            break;
        }
    }

    if (FindPort(ports, choice.port) < 0) {
        for (int n = 1;; ++n) {
            const std::string entry = NumberedList::EntryName(kTypedPortFormat, n);
            const std::int32_t stored = store.ReadInt(kSection, entry, 0);
            // Another running copy may have stored the same port since the lists were read.
            if (stored == static_cast<std::int32_t>(choice.port))
                break;
            if (stored == 0) {
                store.WriteInt(kSection, entry, static_cast<std::int32_t>(choice.port));
                break;
            }
        }
    }

    AddToRecentFileList(store, choice.host);
    return choice;
}

std::vector<std::string> RecentHosts(CSettingsStore& store)
{
    std::vector<std::string> hosts;
    for (int n = 1; n <= kRecentHostCount; ++n) {
        std::string host =
            store.ReadString(kRecentSection, NumberedList::EntryName(kRecentFormat, n), "");
        if (host.empty())
            break;
        hosts.push_back(std::move(host));
    }
    return hosts;
}

void AddToRecentFileList(CSettingsStore& store, const std::string& host)
{
    if (host.empty())
        return;
    std::vector<std::string> hosts = RecentHosts(store);
    // The last of the 16 places is not searched: a host found only there drops out below
    // and comes back at the top, which is the same thing.
    const std::size_t searched =
        std::min(hosts.size(), static_cast<std::size_t>(kRecentHostCount - 1));
    for (std::size_t i = 0; i < searched; ++i) {
        if (EqualNoCase(hosts[i], host)) {
            hosts.erase(hosts.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    hosts.insert(hosts.begin(), host);
    if (hosts.size() > static_cast<std::size_t>(kRecentHostCount))
        hosts.resize(kRecentHostCount);
    WriteRecentHosts(store, hosts);
}

std::optional<unsigned> StoredHostPort(CSettingsStore& store, const std::string& host)
{
    if (host.empty())
        return std::nullopt;
    for (int n = 1;; ++n) {
        const std::string stored =
            store.ReadString(kSection, NumberedList::EntryName(kHostFormat, n), "");
        if (stored.empty())
            return std::nullopt;
        if (stored == host)
            return UsablePort(
                store.ReadInt(kSection, NumberedList::EntryName(kHostPortFormat, n), 0));
    }
}

} // namespace HostList

HostList::ConnectionOptions HostList::LoadConnectionOptions(CSettingsStore& store,
                                                            const std::string& host)
{
    ConnectionOptions options;
    if (host.empty())
        return options;
    options.tls = store.ReadInt(host, "TLS", 0) == 1;
    options.telnetAlways = store.ReadInt(host, "Telnet Always", 0) == 1;
    return options;
}

void HostList::SaveConnectionOptions(CSettingsStore& store, const std::string& host,
                                     const ConnectionOptions& options)
{
    if (host.empty())
        return;
    store.WriteInt(host, "TLS", options.tls ? 1 : 0);
    store.WriteInt(host, "Telnet Always", options.telnetAlways ? 1 : 0);
}
