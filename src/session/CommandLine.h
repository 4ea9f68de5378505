#pragma once
// The program's own command line: a host, optionally followed by a port and a first command
// to send once connected, or a "telnet:" link as the desktop hands it over. Parsed without
// any widget so that the rules can be checked on their own.

#include <optional>
#include <string>

struct CStartRequest {
    std::string host;
    unsigned port = 8888;
    std::string command; // sent once, with CR LF added, when the connection is made
};

// The whole command-line text (arguments joined by single spaces). No value when the text
// names no host (empty, or only spaces); the caller then opens no connection window.
// A port number above 65535 is not a port: it is given as 0, so that the connection attempt
// fails with the ordinary message instead of silently reaching another port.
std::optional<CStartRequest> ParseCommandLine(std::string text);
