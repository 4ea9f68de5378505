#pragma once
// A host's aliases: the store (loaded from and saved to the host section of the settings)
// and the expander that the command line's Enter path runs before sending. The Aliases
// dialog (shortcuts/ui) edits an object of this class; the session owns one per connection.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct CAppServices;

// The characters the Aliases dialog offers as the alias indicator, in the order shown.
inline constexpr std::string_view kAliasIndicatorChars = "/\\|?><;@#~=+-_*&^%$!";

class CAliasesDlg final {
public:
    using Alias = std::pair<std::string, std::string>; // name, action
    using AliasList = std::vector<Alias>;

    // Loads the host's aliases at once.
    CAliasesDlg(CAppServices& services, std::string hostName);

    // Appends the aliases of section to the lists and takes its alias character; a section
    // that has never held an alias list first takes the old global "Shortcuts" list.
    void Load(std::string_view section);
    // Writes the alias character and the list to the host section, ended by an empty pair.
    void Save();
    // Replaces everything by the aliases of another host and saves them as this host's.
    void CopyFrom(std::string_view section);

    char GetAliasChar() const { return m_aliasChar; }
    // When line starts with the alias character, the name of an alias and a space, replaces
    // it by that alias's action with $1, $2, ... and $* filled in from the rest of the line.
    // Otherwise line is left as it is. Always returns 0.
    int ExpandAlias(std::string& line) const;

    const std::string& HostName() const { return m_hostName; }
    const std::vector<std::string>& AliasNames() const { return m_aliasNames; }
    const std::vector<std::string>& AliasActions() const { return m_aliasActions; }
    AliasList Aliases() const;
    // Replaces both lists and the alias character (the dialog's OK); does not save.
    void SetAliases(char aliasChar, const AliasList& aliases);

    // Whether the alias dialog may accept an entry: 0 when it may, otherwise the string-table
    // id of the message that says why not. An empty name ends the stored list at the next
    // load and an empty action is never loaded. A name may hold spaces ("go n" is typed as
    // "\go n x"). checkName is false when the name is not editable (modifying an alias).
    static int ValidateEntry(const std::string& name, const std::string& action, bool checkName);

private:
    void ImportLegacyList();
    void Append(std::string name, std::string action);

    CAppServices& m_services;
    std::string m_hostName;
    char m_aliasChar = '\\';
    std::vector<std::string> m_aliasNames;
    std::vector<std::string> m_aliasActions;
};
