#pragma once
// A host's coloured-text highlights: rules of a text and a colour, kept in the host section
// of the settings, and the matcher the view asks (through the session) for the colour of
// every line it renders. The "Coloured Text Highlights" dialog (display/ui) edits a copy of
// the rules and hands them back on OK; the session owns one object per connection.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "display/HighlightMatcher.h"

struct CAppServices;

class CColouredTextDlg final {
public:
    // Match modes, kept in the top byte of an entry's stored value.
    static constexpr std::uint32_t kStartsWith = 0;
    static constexpr std::uint32_t kContains = 1;

    struct Entry {
        std::string text;
        // The mode in the top byte (0 "starts with", anything else "contains") and the
        // colour 0x00BBGGRR below it, as stored.
        std::uint32_t value = 0;

        bool operator==(const Entry&) const = default;
    };
    using EntryList = std::vector<Entry>;

    // Loads the host's highlights at once.
    CColouredTextDlg(CAppServices& services, std::string hostName);

    // Appends the highlights stored in section, up to the first missing or empty text.
    void Load(std::string_view section);
    // Writes every entry to the host section, then an empty text after the last.
    void Save();
    // Replaces everything by the highlights of another host and saves them as this host's.
    void CopyFrom(std::string_view section);

    // The colour of the first entry, in list order, that line starts with ("starts with")
    // or contains ("contains"), compared byte for byte; false when none matches.
    bool MatchLine(std::string_view line, std::uint32_t& colour) const;

    const std::string& HostName() const { return m_hostName; }
    const EntryList& Entries() const { return m_entries; }
    // Replaces the entries (the dialog's OK); does not save.
    void SetEntries(EntryList entries);

    static std::uint32_t Mode(std::uint32_t value) { return value >> 24; }
    static std::uint32_t Colour(std::uint32_t value) { return value & 0xFFFFFFu; }
    // The stored value of an entry with mode (kStartsWith, kContains) and colour.
    static std::uint32_t MakeValue(std::uint32_t mode, std::uint32_t colour)
    {
        return (mode << 24) | Colour(colour);
    }
    // How the dialog's list shows an entry: "...text..." for "contains", "text..." else.
    static std::string DisplayText(const Entry& entry);

private:
    void Rebuild();

    CAppServices& m_services;
    std::string m_hostName;
    EntryList m_entries;
    CHighlightMatcher m_matcher;
};
