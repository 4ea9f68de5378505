#include "settings/HostSettings.h"

#include <algorithm>

#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::string_view kConnectSection = "Connect";
constexpr std::string_view kHostFormat = "Host %02d";

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Section names compare as the settings store compares them: ASCII letters without regard
// to case, every other byte as it is.
int CompareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(Lower(a[i]));
        const auto y = static_cast<unsigned char>(Lower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

namespace HostSettings {

std::vector<std::string> KnownHosts(CSettingsStore& store)
{
    std::vector<std::string> hosts = NumberedList::Load(store, kConnectSection, kHostFormat);
    std::stable_sort(hosts.begin(), hosts.end(), [](const std::string& a, const std::string& b) {
        const int order = CompareNoCase(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return hosts;
}

std::vector<std::string> CopySources(CSettingsStore& store, std::string_view currentHost)
{
    std::vector<std::string> hosts = KnownHosts(store);
    std::erase_if(hosts,
                  [&](const std::string& host) { return CompareNoCase(host, currentHost) == 0; });
    return hosts;
}

bool ClearAll(CSettingsStore& store, CMessageSink& messages, const std::string& host)
{
    if (!store.IsOpen() || host.empty())
        return false;
    if (messages.ShowMessage(LoadString(kClearAllQuestion), CMessageSink::Icon::Question,
                             CMessageSink::Buttons::YesNo) != CMessageSink::Answer::Yes)
        return false;
    store.DeleteSection(host);
    return true;
}

} // namespace HostSettings
