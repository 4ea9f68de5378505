#include "session/CommandLine.h"

#include <cctype>
#include <string_view>

namespace {

constexpr std::string_view kTelnetScheme = "telnet:";
constexpr std::string_view kTelnetsScheme = "telnets:";
constexpr unsigned kDefaultPort = 8888; // the first row of the built-in port table
constexpr unsigned kHighestPort = 65535;

// Tabs and line ends count as spaces wherever spaces separate or surround the parts: no host
// name can hold one, so a blank-only text names no host and "host<TAB>4000" means port 4000.
bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

void TrimLeft(std::string& text)
{
    std::size_t first = 0;
    while (first < text.size() && IsSpace(text[first]))
        ++first;
    text.erase(0, first);
}

void Trim(std::string& text)
{
    while (!text.empty() && IsSpace(text.back()))
        text.pop_back();
    TrimLeft(text);
}

// The leading decimal number; anything after the digits is ignored ("4000/" is 4000).
// Saturates instead of overflowing, and anything that cannot be a TCP port becomes 0.
unsigned LeadingPort(std::string_view text)
{
    unsigned long value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            break;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > kHighestPort)
            return 0;
    }
    return static_cast<unsigned>(value);
}

// A "telnet:" link as the desktop hands it over (telnet://host:4000/, telnet:host, ...)
// becomes the plain form "host 4000". Only the host and port mean anything to a telnet
// server, so a path (or a bare trailing slash) is dropped. An IPv6 literal loses its
// brackets, so that "telnet://[::1]:4000/" reaches the same host, and the same settings
// section, as "::1 4000" typed by hand.
void LinkToPlainForm(std::string& text, std::size_t schemeLength)
{
    text.erase(0, schemeLength);
    std::size_t slashes = 0;
    while (slashes < text.size() && text[slashes] == '/')
        ++slashes;
    text.erase(0, slashes);

    // The host and port end at the first slash or blank; the path runs on to the next blank.
    std::size_t end = 0;
    while (end < text.size() && text[end] != '/' && !IsSpace(text[end]))
        ++end;
    std::size_t pathEnd = end;
    while (pathEnd < text.size() && !IsSpace(text[pathEnd]))
        ++pathEnd;
    std::string authority = text.substr(0, end);
    const std::string rest = text.substr(pathEnd);

    const std::size_t close = authority.find(']');
    if (authority.starts_with('[') && close != std::string::npos && close > 1) {
        std::string after = authority.substr(close + 1);
        if (after.starts_with(':'))
            after[0] = ' ';
        authority = authority.substr(1, close - 1) + after;
    } else {
        // "host:4000" becomes "host 4000"; a colon in the first place is not a port mark.
        const std::size_t colon = authority.find(':');
        if (colon != std::string::npos && colon > 0)
            authority[colon] = ' ';
    }
    text = authority + rest;
}

} // namespace

std::optional<CStartRequest> ParseCommandLine(std::string text)
{
    bool tls = false;
    if (StartsWithNoCase(text, kTelnetScheme)) {
        LinkToPlainForm(text, kTelnetScheme.size());
    } else if (StartsWithNoCase(text, kTelnetsScheme)) {
        LinkToPlainForm(text, kTelnetsScheme.size());
        tls = true;
    }

    Trim(text);
    if (text.empty())
        return std::nullopt;

    CStartRequest request;
    request.port = kDefaultPort;
    request.tls = tls;

    std::size_t space = 0;
    while (space < text.size() && !IsSpace(text[space]))
        ++space;
    if (space == text.size()) {
        request.host = text;
        return request;
    }

    request.host = text.substr(0, space);
    std::string rest = text.substr(space + 1);
    TrimLeft(rest);
    if (rest.empty())
        return request;
    if (!IsDigit(rest.front())) {
        request.command = rest;
        return request;
    }

    request.port = LeadingPort(rest);
    std::size_t next = 0;
    while (next < rest.size() && !IsSpace(rest[next]))
        ++next;
    if (next < rest.size()) {
        std::string command = rest.substr(next + 1);
        TrimLeft(command);
        request.command = command;
    }
    return request;
}

CProgramArguments ParseProgramArguments(const std::vector<std::string>& arguments)
{
    CProgramArguments parsed;
    bool hostNamed = false;
    bool first = true;
    for (const std::string& argument : arguments) {
        if (argument == "--no-telnet-offer") {
            parsed.telnetOffer = false;
            continue;
        }
        if (!hostNamed && parsed.action == CProgramArguments::Action::Run) {
            if (argument == "--help" || argument == "-h")
                parsed.action = CProgramArguments::Action::ShowUsage;
            else if (argument == "--version")
                parsed.action = CProgramArguments::Action::ShowVersion;
            if (parsed.action != CProgramArguments::Action::Run)
                continue;
        }
        if (!argument.starts_with('-'))
            hostNamed = true;
        if (!first)
            parsed.commandLine += ' ';
        parsed.commandLine += argument;
        first = false;
    }
    return parsed;
}

std::string UsageText()
{
    return "Usage: brumble [HOST [PORT [FIRST COMMAND]]]\n"
           "       brumble telnet://HOST[:PORT]\n"
           "       brumble telnets://HOST[:PORT]   (the same over TLS)\n"
           "       brumble --help | --version\n"
           "Opens a connection window to HOST on PORT (8888 when none is given) and sends\n"
           "FIRST COMMAND once connected. Without a host Brumble starts with no connection.\n"
           "In a telnet: link an IPv6 address is written in brackets: telnet://[::1]:4000/\n"
           "\n"
           "Options:\n"
           "  -h, --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "      --no-telnet-offer\n"
           "                       do not offer to open the desktop's telnet: links\n"
           "\n"
           "Environment:\n"
           "  BRUMBLE_CONFIG_DIR       folder of the settings (settings.db); by default\n"
           "                           $XDG_CONFIG_HOME/brumble\n"
           "  XDG_CONFIG_HOME          base folder of the settings; by default ~/.config\n"
           "  BRUMBLE_NO_TELNET_OFFER  when 1, the same as --no-telnet-offer\n"
           "  BRUMBLE_CA_FILE          a file of trusted certificates (PEM) used for TLS\n"
           "                           connections instead of the system's trust store\n";
}

std::string VersionText()
{
    return "Brumble " BRUMBLE_VERSION "\n";
}
