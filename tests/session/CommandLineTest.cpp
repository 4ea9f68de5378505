#include <gtest/gtest.h>

#include "session/CommandLine.h"

namespace {

CStartRequest Parsed(const std::string& text)
{
    auto request = ParseCommandLine(text);
    EXPECT_TRUE(request.has_value()) << "no host in \"" << text << "\"";
    return request.value_or(CStartRequest{});
}

} // namespace

TEST(CommandLine, NamesNoHostWhenEmptyOrBlank)
{
    EXPECT_FALSE(ParseCommandLine(""));
    EXPECT_FALSE(ParseCommandLine("    "));
    EXPECT_FALSE(ParseCommandLine(" \t "));
    // A link with nothing after the scheme names no host either.
    EXPECT_FALSE(ParseCommandLine("telnet:"));
    EXPECT_FALSE(ParseCommandLine("telnet://"));
    EXPECT_FALSE(ParseCommandLine("telnet:// "));
}

TEST(CommandLine, HostAloneGetsTheDefaultPortAndKeepsItsCase)
{
    const CStartRequest r = Parsed("  Mud.Example.ORG  ");
    EXPECT_EQ(r.host, "Mud.Example.ORG");
    EXPECT_EQ(r.port, 8888u);
    EXPECT_EQ(r.command, "");
}

TEST(CommandLine, HostPortAndCommandOfSeveralWords)
{
    CStartRequest r = Parsed("host 4000 connect guest");
    EXPECT_EQ(r.host, "host");
    EXPECT_EQ(r.port, 4000u);
    EXPECT_EQ(r.command, "connect guest");

    // Extra spaces between the parts are skipped, those inside the command are kept.
    r = Parsed("host    4000    say  hello  there");
    EXPECT_EQ(r.port, 4000u);
    EXPECT_EQ(r.command, "say  hello  there");

    // A port with nothing after it, and a port followed only by spaces.
    r = Parsed("host 23");
    EXPECT_EQ(r.port, 23u);
    EXPECT_EQ(r.command, "");
    r = Parsed("host 23   ");
    EXPECT_EQ(r.command, "");
}

TEST(CommandLine, TextAfterHostThatIsNotANumberIsTheCommand)
{
    const CStartRequest r = Parsed("host look around");
    EXPECT_EQ(r.host, "host");
    EXPECT_EQ(r.port, 8888u);
    EXPECT_EQ(r.command, "look around");
}

TEST(CommandLine, PortNumberStopsAtTheFirstNonDigit)
{
    CStartRequest r = Parsed("host 4000abc north");
    EXPECT_EQ(r.port, 4000u);
    EXPECT_EQ(r.command, "north");
    r = Parsed("host 0");
    EXPECT_EQ(r.port, 0u);
}

TEST(CommandLine, PortBeyondTheTcpRangeIsNotTakenModulo)
{
    // 65559 would otherwise reach port 23 of the host; 0 makes the connection fail openly.
    EXPECT_EQ(Parsed("host 65535").port, 65535u);
    EXPECT_EQ(Parsed("host 65536").port, 0u);
    EXPECT_EQ(Parsed("host 65559").port, 0u);
    EXPECT_EQ(Parsed("host 99999999999999999999999 hi").port, 0u);
    EXPECT_EQ(Parsed("host 99999999999999999999999 hi").command, "hi");
}

TEST(CommandLine, TelnetLinkForms)
{
    // Capital scheme, two slashes, a port and a trailing slash: the slash follows the digits.
    CStartRequest r = Parsed("TELNET://Host:4000/");
    EXPECT_EQ(r.host, "Host");
    EXPECT_EQ(r.port, 4000u);
    EXPECT_EQ(r.command, "");

    // No port: the trailing slash stays on the host and the default port applies.
    r = Parsed("telnet://host/");
    EXPECT_EQ(r.host, "host/");
    EXPECT_EQ(r.port, 8888u);

    r = Parsed("telnet:mud.example.org:23");
    EXPECT_EQ(r.host, "mud.example.org");
    EXPECT_EQ(r.port, 23u);

    r = Parsed("Telnet:///localhost:7");
    EXPECT_EQ(r.host, "localhost");
    EXPECT_EQ(r.port, 7u);

    // Only the first colon becomes the port mark.
    r = Parsed("telnet://host:4000:5");
    EXPECT_EQ(r.host, "host");
    EXPECT_EQ(r.port, 4000u);
}

TEST(CommandLine, ColonsOutsideALinkAreNotPortMarks)
{
    // Without the scheme the text is taken as it stands (an IPv6 literal survives).
    CStartRequest r = Parsed("::1 4000");
    EXPECT_EQ(r.host, "::1");
    EXPECT_EQ(r.port, 4000u);
    r = Parsed("host:4000");
    EXPECT_EQ(r.host, "host:4000");
    EXPECT_EQ(r.port, 8888u);
    // A colon in the very first place of a link is left alone.
    r = Parsed("telnet::4000");
    EXPECT_EQ(r.host, ":4000");
}

TEST(CommandLine, SchemeIsOnlyRecognisedAtTheStart)
{
    const CStartRequest r = Parsed("host telnet://other:23");
    EXPECT_EQ(r.host, "host");
    EXPECT_EQ(r.command, "telnet://other:23");
}

TEST(CommandLine, HighBytesPassThroughUnchanged)
{
    const CStartRequest r = Parsed("h\xe9te 4000 dire \xe7\xe0");
    EXPECT_EQ(r.host, "h\xe9te");
    EXPECT_EQ(r.command, "dire \xe7\xe0");
}
