#pragma once
// A host's timed text: the list of texts and the interval (the host section's
// "Timed Text %02d" list and "Interval"), and the random choice of the text to send at each
// tick of the connection view's timed-text timer. The Timed Text dialog (alerts/ui) edits an
// object of this class; the session owns one per connection.

#include <string>
#include <string_view>
#include <vector>

struct CAppServices;

class CTimedTextDlg final {
public:
    static constexpr unsigned kMaxInterval = 9999;

    // Loads the host's texts and interval at once.
    CTimedTextDlg(CAppServices& services, std::string hostName);

    // Appends the texts of section (a section that has never held the list first takes the
    // old global "Auto Text" list) and takes its interval, whose default is the old global
    // "Time".
    void Load(std::string_view section);
    // Writes the list (ended by an empty entry) and the interval to the host section.
    void SaveTimedText();
    // Replaces list and interval by another host's and saves them here.
    void CopyFrom(std::string_view section);

    const std::string& HostName() const { return m_hostName; }
    const std::vector<std::string>& Texts() const { return m_texts; }
    void SetTexts(std::vector<std::string> texts) { m_texts = std::move(texts); }
    // Seconds between two texts; 0 sends none.
    unsigned GetInterval() const { return m_interval; }
    void SetInterval(unsigned seconds) { m_interval = seconds; }

    // The text to send now: none without texts, the only one without drawing, otherwise one
    // picked by the program's random generator.
    std::string NextText();

private:
    CAppServices& m_services;
    std::string m_hostName;
    std::vector<std::string> m_texts;
    unsigned m_interval = 0;
};
