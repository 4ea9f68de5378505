#include "session/CommandLine.h"

#include <cctype>
#include <string_view>

namespace {

constexpr std::string_view kTelnetScheme = "telnet:";
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

} // namespace

std::optional<CStartRequest> ParseCommandLine(std::string text)
{
    if (StartsWithNoCase(text, kTelnetScheme)) {
        text.erase(0, kTelnetScheme.size());
        std::size_t slashes = 0;
        while (slashes < text.size() && text[slashes] == '/')
            ++slashes;
        text.erase(0, slashes);
        // "host:4000" becomes "host 4000"; a colon in the first place is not a port mark.
        const std::size_t colon = text.find(':');
        if (colon != std::string::npos && colon > 0)
            text[colon] = ' ';
    }

    Trim(text);
    if (text.empty())
        return std::nullopt;

    CStartRequest request;
    request.port = kDefaultPort;

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
