#pragma once
// The program's own command line: a host, optionally followed by a port and a first command
// to send once connected, or a "telnet:" link as the desktop hands it over. Parsed without
// any widget so that the rules can be checked on their own.

#include <optional>
#include <string>
#include <vector>

struct CStartRequest {
    std::string host;
    unsigned port = 8888;
    std::string command; // sent once, with CR LF added, when the connection is made
    bool tls = false;    // named by a "telnets:" link
};

// The whole command-line text (arguments joined by single spaces). No value when the text
// names no host (empty, or only spaces); the caller then opens no connection window.
// A "telnet:" link names its host and port, and so does a "telnets:" link, which asks for TLS
// (telnet://host:4000/some/path is "host 4000"; an IPv6 literal is given without its brackets). A
// port number above 65535 is not a port: it is given as 0, so that the connection attempt fails
// with the ordinary message instead of silently reaching another port.
std::optional<CStartRequest> ParseCommandLine(std::string text);

// What the program's arguments ask for. Decided before any window or display exists, so that
// --help and --version work on a machine without a screen.
struct CProgramArguments {
    enum class Action { Run, ShowUsage, ShowVersion };
    Action action = Action::Run;
    bool telnetOffer = true; // false with --no-telnet-offer
    // The arguments that are not options, joined by single spaces: ParseCommandLine's text.
    std::string commandLine;
};

// --help (-h) and --version count only before the host: after it every word belongs to the
// first command, which may well hold a dash. --no-telnet-offer counts anywhere.
CProgramArguments ParseProgramArguments(const std::vector<std::string>& arguments);
// What --help and --version print (each ends with a line feed).
std::string UsageText();
std::string VersionText();
