#pragma once
// What the Connect dialog remembers, in the "Connect" section of the settings: every host the
// user connected to with the port last used for it, the ports typed by number, and the last
// choice; plus the recent-host list of the File menu ("Recent File List"). The dialog in
// session/ui is only the widgets around these functions, so all of the rules live here.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CMessageSink;
class CSettingsStore;

namespace HostList {

// One entry of either drop-down list: the text shown and the port it stands for.
struct Item {
    std::string text;
    unsigned port = 0;
};

// The port used when nothing says otherwise: the first row of the built-in table.
inline constexpr unsigned kDefaultPort = 8888;
// The largest number a TCP port can be.
inline constexpr unsigned kMaxPort = 65535;
// How many hosts the File menu remembers.
inline constexpr int kRecentHostCount = 16;

// The well-known ports offered in the port list, in their stored order.
const std::vector<Item>& BuiltInPorts();

// Alphabetical order of both lists: letters compare without regard to case, and texts that
// differ only in case keep a fixed order between them.
bool SortsBefore(std::string_view a, std::string_view b);
// Inserts item after every item that does not sort after it; returns where it went.
std::size_t InsertSorted(std::vector<Item>& items, Item item);

// The two lists as the dialog opens, both sorted, with the preselected items.
struct DialogLists {
    std::vector<Item> hosts;
    std::vector<Item> ports;
    int hostIndex = -1; // the last host when it is still in the list, else -1 (empty field)
    int portIndex = 0;  // the port list always holds the built-in rows, so there is one
};
DialogLists LoadDialogLists(CSettingsStore& store);

// The first item (from the top) carrying port; -1 when there is none.
int FindPort(const std::vector<Item>& items, unsigned port);

// The port named by a typed text: leading spaces skipped, then the decimal digits at the
// start, anything after them ignored. No digits, or a number larger than any TCP port,
// gives 0 (which OK refuses).
unsigned PortOfText(std::string_view text);

// What OK accepted.
struct Choice {
    std::string host;
    unsigned port = 0;
};

// The dialog's OK. chosenPort is the port of the port-list item when the field's text came
// from choosing that item, and empty when the user typed the text. Checks the fields (an
// empty host gives message 8002, a port of 0 message 8001, both with an OK button and no
// icon, and nothing is written); otherwise remembers the last choice, the host with its port,
// a port typed by number that the list does not carry, and puts the host at the top of the
// recent-host list.
std::optional<Choice> Accept(CSettingsStore& store, CMessageSink& messages,
                             const std::string& hostText, const std::string& portText,
                             std::optional<unsigned> chosenPort, const std::vector<Item>& ports);

// A host's connection options, kept in its own section (so Copy From, export and import
// carry them): "TLS" and "Telnet Always", each 0 or 1, both off by default.
struct ConnectionOptions {
    bool tls = false;
    bool telnetAlways = false;
};
ConnectionOptions LoadConnectionOptions(CSettingsStore& store, const std::string& host);
void SaveConnectionOptions(CSettingsStore& store, const std::string& host,
                           const ConnectionOptions& options);

// The recent hosts, most recent first (at most 16).
std::vector<std::string> RecentHosts(CSettingsStore& store);
// Puts host at the top of the recent-host list: an entry equal to it without regard to case
// (looked for among all but the last) moves up, otherwise the last entry drops out.
void AddToRecentFileList(CSettingsStore& store, const std::string& host);
// The port stored with host (exact match in the host list); empty when the host is not in
// the list or has no usable port.
std::optional<unsigned> StoredHostPort(CSettingsStore& store, const std::string& host);

} // namespace HostList
