#pragma once
// The settings of whole hosts, as Tools > Manage Settings and Copy From see them: the hosts
// the Connect dialog has remembered ("Host 01", "Host 02", ... of section "Connect"), the
// hosts a window may copy from, and the clearing of one host's section. The dialogs in
// settings/ui are only the widgets around these functions.

#include <string>
#include <string_view>
#include <vector>

class CMessageSink;
class CSettingsStore;

namespace HostSettings {

// The string-table id of Clear All's question.
inline constexpr int kClearAllQuestion = 8330;

// The known hosts in the order the dialogs show them: alphabetical without regard to case,
// texts that differ only in case keeping a fixed order between them.
std::vector<std::string> KnownHosts(CSettingsStore& store);

// The known hosts a window on currentHost may copy from: every one but those naming the
// window's own section (host sections are found without regard to case).
std::vector<std::string> CopySources(CSettingsStore& store, std::string_view currentHost);

// Clear All: asks the question and, on Yes, deletes the host's section with every value,
// so that each of its features reads its defaults from then on. The host stays in the
// Connect dialog's list. True when the section was deleted. A store that cannot be used at
// all asks nothing.
bool ClearAll(CSettingsStore& store, CMessageSink& messages, const std::string& host);

} // namespace HostSettings
