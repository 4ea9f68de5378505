#include <gtest/gtest.h>

#include "session/CommandLine.h"

TEST(CommandLine, NamesNoHostWhenEmptyBlankOrABareLink)
{
    for (const char* text : {"", "    ", " \t ", "telnet:", "telnet://", "telnet:// "})
        EXPECT_FALSE(ParseCommandLine(text)) << '"' << text << '"';
}

TEST(CommandLine, HostPortAndCommandOfEachForm)
{
    const struct {
        const char* text;
        const char* host;
        unsigned port;
        const char* command;
    } cases[] = {
        {"  Mud.Example.ORG  ", "Mud.Example.ORG", 8888, ""}, // the case is kept
        {"host 4000 connect guest", "host", 4000, "connect guest"},
        // Spaces between the parts are skipped, those inside the command are kept.
        {"host    4000    say  hello  there", "host", 4000, "say  hello  there"},
        {"host 23", "host", 23, ""},
        {"host 23   ", "host", 23, ""},
        {"host look around", "host", 8888, "look around"},
        {"host 4000abc north", "host", 4000, "north"},
        {"host\t4000\tlook", "host", 4000, "look"}, // tabs separate like spaces
        {"host 0", "host", 0, ""},
        // Beyond the TCP range is 0, never a port taken modulo (65559 would reach 23).
        {"host 65535", "host", 65535, ""},
        {"host 65536", "host", 0, ""},
        {"host 65559", "host", 0, ""},
        {"host 99999999999999999999999 hi", "host", 0, "hi"},
        // Links: any case, any number of slashes, the first colon marks the port, and a
        // trailing slash follows the digits or, without a port, stays on the host.
        {"TELNET://Host:4000/", "Host", 4000, ""},
        {"telnet://host/", "host/", 8888, ""},
        {"telnet:mud.example.org:23", "mud.example.org", 23, ""},
        {"Telnet:///localhost:7", "localhost", 7, ""},
        {"telnet://host:4000:5", "host", 4000, ""},
        {"telnet::4000", ":4000", 8888, ""},
        // Outside a link a colon is text (an IPv6 literal survives), and so is a scheme.
        {"::1 4000", "::1", 4000, ""},
        {"host:4000", "host:4000", 8888, ""},
        {"host telnet://other:23", "host", 8888, "telnet://other:23"},
        {"h\xe9te 4000 dire \xe7\xe0", "h\xe9te", 4000, "dire \xe7\xe0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto request = ParseCommandLine(c.text);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->host, c.host);
        EXPECT_EQ(request->port, c.port);
        EXPECT_EQ(request->command, c.command);
    }
}
