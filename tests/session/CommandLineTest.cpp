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
        bool tls = false;
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
        // Links: any case, any number of slashes, the first colon marks the port, a path
        // or trailing slash is dropped, and an IPv6 literal loses its brackets.
        {"TELNET://Host:4000/", "Host", 4000, ""},
        {"telnet://host/", "host", 8888, ""},
        {"telnet://host:4000/some/path", "host", 4000, ""},
        {"telnet://[::1]:4000/", "::1", 4000, ""},
        {"telnet://[::1]", "::1", 8888, ""},
        {"telnet:mud.example.org:23", "mud.example.org", 23, ""},
        // A telnets: link is the same link asking for TLS.
        {"telnets://mud.example.org:4443/", "mud.example.org", 4443, "", true},
        {"TELNETS:[::1]:992", "::1", 992, "", true},
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
        EXPECT_EQ(request->tls, c.tls);
    }
}

TEST(CommandLine, HelpAndVersionBeforeTheHostOtherwiseWordsOfTheCommandLine)
{
    using Action = CProgramArguments::Action;
    const struct {
        std::vector<std::string> arguments;
        Action action;
        bool telnetOffer;
        const char* commandLine;
    } cases[] = {
        {{}, Action::Run, true, ""},
        {{"--help"}, Action::ShowUsage, true, ""},
        {{"-h", "host"}, Action::ShowUsage, true, "host"},
        {{"--no-telnet-offer", "--version"}, Action::ShowVersion, false, ""},
        {{"--no-telnet-offer", "host", "4000"}, Action::Run, false, "host 4000"},
        {{"host", "4000", "--no-telnet-offer"}, Action::Run, false, "host 4000"},
        // After the host, a dash belongs to the first command.
        {{"host", "4000", "page", "--help"}, Action::Run, true, "host 4000 page --help"},
        {{"", "host"}, Action::Run, true, " host"},
    };
    for (const auto& c : cases) {
        const CProgramArguments parsed = ParseProgramArguments(c.arguments);
        EXPECT_EQ(parsed.action, c.action) << c.commandLine;
        EXPECT_EQ(parsed.telnetOffer, c.telnetOffer) << c.commandLine;
        EXPECT_EQ(parsed.commandLine, c.commandLine);
    }

    for (const char* text :
         {"brumble [HOST [PORT [FIRST COMMAND]]]", "brumble telnet://HOST[:PORT]", "--help",
          "--version", "--no-telnet-offer", "BRUMBLE_CONFIG_DIR", "BRUMBLE_NO_TELNET_OFFER",
          "XDG_CONFIG_HOME"})
        EXPECT_NE(UsageText().find(text), std::string::npos) << text;
    EXPECT_EQ(VersionText(), "Brumble " BRUMBLE_VERSION "\n");
}
