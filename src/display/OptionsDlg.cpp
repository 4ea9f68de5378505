#include "display/OptionsDlg.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/RandomGenerator.h"
#include "res/StringTable.h"
#include "settings/SettingsStore.h"

namespace {

constexpr char kDisplay[] = "Display";
constexpr int kFirstPhrase = 8101;
constexpr int kNotAPositiveInteger = 61717;
constexpr int kNotInRange = 61715;

// A choice of three stored as 0-2; anything else is the default, 0.
int ReadChoice(CSettingsStore& store, const std::string& section, const char* entry)
{
    const int value = store.ReadInt(section, entry, 0);
    return value >= 0 && value <= 2 ? value : 0;
}

std::string Replace(std::string text, const std::string& mark, const std::string& by)
{
    if (const auto at = text.find(mark); at != std::string::npos)
        text.replace(at, mark.size(), by);
    return text;
}

} // namespace

COptionsDlg::COptionsDlg(CSettingsStore& store, std::string host, CRandomGenerator& random, int dpi)
    : m_store(store), m_host(std::move(host)), m_dpi(dpi > 0 ? dpi : 96),
      m_phrase(random.Next() % kPhraseCount)
{
    m_backColour = static_cast<std::uint32_t>(
        m_store.ReadInt(m_host, "Colour", m_store.ReadInt(kDisplay, "Colour", 0xFFFFFF)));
    m_textColour = static_cast<std::uint32_t>(
        m_store.ReadInt(m_host, "Text Colour", m_store.ReadInt(kDisplay, "Text Colour", 0)));
    m_lineBuffer = m_store.ReadInt(m_host, "Line Buffer", m_store.ReadInt(kDisplay, "Lines", 250));
    m_history = m_store.ReadInt(m_host, "History", m_store.ReadInt(kDisplay, "Commands", 50));
    m_sendCtrl = m_store.ReadInt(m_host, "Send Ctrl", 0) != 0;
    m_font = ReadFont(m_host);
    m_encoding = ReadChoice(m_store, m_host, "Encoding");
    m_ansiColour = m_store.ReadInt(m_host, "ANSI Colour", 0) != 0;
    m_lineEnds = ReadChoice(m_store, m_host, "Line Ends");
}

int COptionsDlg::HeightForPoints(int points, int dpi)
{
    // Rounded as the platform's MulDiv rounds: half away from zero.
    const std::int64_t product = static_cast<std::int64_t>(points) * dpi;
    const std::int64_t rounded = product >= 0 ? (product + 36) / 72 : (product - 36) / 72;
    return -static_cast<int>(rounded);
}

COptionsDlg::FontDescription COptionsDlg::ReadFont(const std::string& section) const
{
    FontDescription font;
    font.face = m_store.ReadString(section, "Font Face",
                                   m_store.ReadString(kDisplay, "Font Face", "Courier"));
    font.height = m_store.ReadInt(
        section, "Font Size", m_store.ReadInt(kDisplay, "Font Size", HeightForPoints(10, m_dpi)));
    font.weight =
        m_store.ReadInt(section, "Font Weight", m_store.ReadInt(kDisplay, "Font Weight", 400));
    font.italic =
        m_store.ReadInt(section, "Font Italic", m_store.ReadInt(kDisplay, "Font Style", 0));
    font.underline = m_store.ReadInt(section, "Font Underline", 0);
    font.strikeOut = m_store.ReadInt(section, "Font Strikeout", 0);
    return font;
}

bool COptionsDlg::ParseField(const std::string& text, int min, int max, int& value,
                             std::string& message)
{
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    bool whole = begin != std::string::npos;
    long long number = 0;
    for (std::size_t i = begin; whole && i <= end; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            whole = false;
            break;
        }
        number = std::min<long long>(number * 10 + (text[i] - '0'), 1LL << 40);
    }
    if (!whole) {
        message = LoadString(kNotAPositiveInteger);
        return false;
    }
    if (number < min || number > max) {
        message = Replace(Replace(LoadString(kNotInRange), "%1", std::to_string(min)), "%2",
                          std::to_string(max));
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

void COptionsDlg::SaveSettings()
{
    m_store.WriteInt(m_host, "Colour", static_cast<std::int32_t>(m_backColour));
    m_store.WriteInt(m_host, "Text Colour", static_cast<std::int32_t>(m_textColour));
    m_store.WriteInt(m_host, "Line Buffer", m_lineBuffer);
    m_store.WriteInt(m_host, "History", m_history);
    m_store.WriteInt(m_host, "Send Ctrl", m_sendCtrl ? 1 : 0);
    m_store.WriteString(m_host, "Font Face", m_font.face);
    m_store.WriteInt(m_host, "Font Size", m_font.height);
    m_store.WriteInt(m_host, "Font Weight", m_font.weight);
    m_store.WriteInt(m_host, "Font Italic", m_font.italic);
    m_store.WriteInt(m_host, "Font Underline", m_font.underline);
    m_store.WriteInt(m_host, "Font Strikeout", m_font.strikeOut);
    m_store.WriteInt(m_host, "Encoding", m_encoding);
    m_store.WriteInt(m_host, "ANSI Colour", m_ansiColour ? 1 : 0);
    m_store.WriteInt(m_host, "Line Ends", m_lineEnds);
}

void COptionsDlg::CopyFrom(const std::string& otherHost)
{
    const int back =
        m_store.ReadInt(otherHost, "Colour", m_store.ReadInt(kDisplay, "Colour", 0xFFFFFF));
    const int text =
        m_store.ReadInt(otherHost, "Text Colour", m_store.ReadInt(kDisplay, "Text Colour", 0));
    const int lines =
        m_store.ReadInt(otherHost, "Line Buffer", m_store.ReadInt(kDisplay, "Lines", 250));
    const int history =
        m_store.ReadInt(otherHost, "History", m_store.ReadInt(kDisplay, "Commands", 50));
    const int sendCtrl = m_store.ReadInt(otherHost, "Send Ctrl", 0);
    m_store.WriteInt(m_host, "Colour", back);
    m_store.WriteInt(m_host, "Text Colour", text);
    m_store.WriteInt(m_host, "Line Buffer", lines);
    m_store.WriteInt(m_host, "History", history);
    m_store.WriteInt(m_host, "Send Ctrl", sendCtrl);
    const FontDescription font = ReadFont(otherHost);
    m_store.WriteString(m_host, "Font Face", font.face);
    m_store.WriteInt(m_host, "Font Size", font.height);
    m_store.WriteInt(m_host, "Font Weight", font.weight);
    m_store.WriteInt(m_host, "Font Italic", font.italic);
    m_store.WriteInt(m_host, "Font Underline", font.underline);
    m_store.WriteInt(m_host, "Font Strikeout", font.strikeOut);
    const int encoding = ReadChoice(m_store, otherHost, "Encoding");
    const int ansiColour = m_store.ReadInt(otherHost, "ANSI Colour", 0) != 0 ? 1 : 0;
    const int lineEnds = ReadChoice(m_store, otherHost, "Line Ends");
    m_store.WriteInt(m_host, "Encoding", encoding);
    m_store.WriteInt(m_host, "ANSI Colour", ansiColour);
    m_store.WriteInt(m_host, "Line Ends", lineEnds);
}

std::string COptionsDlg::SamplePhrase() const
{
    return LoadString(kFirstPhrase + m_phrase);
}
