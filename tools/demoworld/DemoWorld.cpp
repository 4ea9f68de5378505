#include "DemoWorld.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

const std::string kReset = "\x1b[0m";
const std::string kBoldYellow = "\x1b[1;33m";
const std::string kBoldCyan = "\x1b[1;36m";
const std::string kCyan = "\x1b[36m";
const std::string kGreen = "\x1b[32m";
const std::string kBold = "\x1b[1m";
const std::string kMagenta = "\x1b[35m";

const char* const kLineEnd = "\r\n";
const char* const kPrompt = "> ";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// What a player typed, made safe to echo to others: a backspace removes the character
// before it (raw terminals send them), tabs become spaces, and every other control byte
// (and telnet's 255) is dropped.
std::string CleanLine(const std::string& raw)
{
    std::string line;
    line.reserve(raw.size());
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\b' || c == 0x7F) {
            if (!line.empty())
                line.pop_back();
        } else if (c == '\t') {
            line.push_back(' ');
        } else if (c >= 0x20 && c != 0xFF && !(c >= 0x80 && c < 0xA0)) {
            line.push_back(ch);
        }
    }
    return Trim(line);
}

} // namespace

CDemoWorld::CDemoWorld(SendFn send, CloseFn close)
    : m_send(std::move(send)), m_close(std::move(close))
{
    m_rooms = {
        {"The Village Square",
         "Cobbles worn smooth by a thousand years of feet surround a dry stone fountain. A "
         "notice board leans against it, covered in faded announcements of festivals that "
         "nobody remembers. Lanes lead off in three directions.",
         {{"north", 1}, {"east", 2}, {"south", 3}}},
        {"The Old Library",
         "Shelves climb into the gloom under a vaulted ceiling. The air smells of dust and "
         "candle wax, and somewhere a clock ticks patiently. A reading desk holds a book "
         "left open at a page about telnet options.",
         {{"south", 0}}},
        {"The Walled Garden",
         "Roses and herbs grow in tidy beds between gravel paths. A sundial in the middle "
         "insists that it is always half past three. The gate to the square is west.",
         {{"west", 0}}},
        {"The Harbour",
         "Fishing boats knock gently against the quay, and gulls argue over a crate of "
         "something that used to be fish. The lane back to the square climbs north.",
         {{"north", 0}}},
    };
}

void CDemoWorld::Join(int player)
{
    Player& p = m_players[player];
    p.id = player;
    p.name = "Guest" + std::to_string(++m_guestCounter);
    Tell(p, kBoldYellow + "Welcome to the Brumble demo world!" + kReset);
    Tell(p, kCyan + "A tiny world on your own machine, for trying the client." + kReset);
    Tell(p, "You are " + kBold + p.name + kReset + ". Type " + kGreen + "help" + kReset +
                " for the commands.");
    Tell(p, "");
    Look(p);
    TellRoom(p.room, p, p.name + " appears in a puff of smoke.");
    Prompt(p);
}

void CDemoWorld::Input(int player, std::string_view bytes)
{
    auto it = m_players.find(player);
    if (it == m_players.end())
        return;
    std::vector<std::string> lines;
    {
        Player& p = it->second;
        if (p.quitting)
            return;
        for (const char ch : bytes) {
            if (ch == '\n') {
                if (p.discarding) {
                    p.discarding = false;
                    Tell(p, "That line was too long, so it was ignored.");
                    Prompt(p);
                } else {
                    if (!p.pending.empty() && p.pending.back() == '\r')
                        p.pending.pop_back();
                    lines.push_back(std::move(p.pending));
                }
                p.pending.clear();
            } else if (!p.discarding) {
                p.pending.push_back(ch);
                if (p.pending.size() > kMaxLine) {
                    p.pending.clear();
                    p.discarding = true;
                }
            }
        }
    }
    for (const auto& line : lines) {
        RunLine(player, line);
        it = m_players.find(player);
        if (it == m_players.end() || it->second.quitting)
            break;
    }
    // Closing may call Leave at once, so it comes last, with no reference to the player held.
    it = m_players.find(player);
    if (it != m_players.end() && it->second.quitting)
        m_close(player);
}

void CDemoWorld::Leave(int player)
{
    auto it = m_players.find(player);
    if (it == m_players.end())
        return;
    const Player gone = it->second;
    m_players.erase(it);
    TellRoom(gone.room, gone, gone.name + " fades away.");
}

void CDemoWorld::RunLine(int player, const std::string& raw)
{
    Player& p = m_players.at(player);
    const std::string line = CleanLine(raw);
    if (line.empty()) {
        Prompt(p);
        return;
    }
    if (line[0] == '\'' || line[0] == '"') {
        Say(p, Trim(line.substr(1)));
        Prompt(p);
        return;
    }
    const auto space = line.find(' ');
    const std::string verb = Lower(line.substr(0, space));
    const std::string rest = space == std::string::npos ? "" : Trim(line.substr(space + 1));

    if (verb == "look" || verb == "l") {
        Look(p);
    } else if (verb == "say") {
        Say(p, rest);
    } else if (verb == "north" || verb == "n") {
        Move(p, "north");
    } else if (verb == "south" || verb == "s") {
        Move(p, "south");
    } else if (verb == "east" || verb == "e") {
        Move(p, "east");
    } else if (verb == "west" || verb == "w") {
        Move(p, "west");
    } else if (verb == "who") {
        Who(p);
    } else if (verb == "help" || verb == "?") {
        Help(p);
    } else if (verb == "demo") {
        Demo(p);
    } else if (verb == "burst") {
        Burst(p, rest);
    } else if (verb == "@image") {
        // What an @image command of a MUCK prints: the marker, one space, the picture's URL.
        Tell(p, rest.empty() ? std::string("Usage: @image <URL of a GIF or JPEG picture>")
                             : "(@image) " + rest);
    } else if (verb == "quit") {
        Quit(p);
        return; // no prompt after goodbye
    } else {
        Tell(p, "Huh? Type 'help' for the commands.");
    }
    Prompt(p);
}

void CDemoWorld::Look(Player& p)
{
    const Room& room = m_rooms[static_cast<std::size_t>(p.room)];
    Tell(p, kBoldCyan + room.title + kReset);
    Tell(p, room.description);
    std::string exits;
    for (const auto& [direction, to] : room.exits)
        exits += (exits.empty() ? "" : ", ") + direction;
    Tell(p, kGreen + "Exits: " + exits + "." + kReset);
    for (const auto& [id, other] : m_players) {
        if (id != p.id && other.room == p.room && !other.quitting)
            Tell(p, kMagenta + other.name + " is here." + kReset);
    }
}

void CDemoWorld::Move(Player& p, const std::string& direction)
{
    const Room& room = m_rooms[static_cast<std::size_t>(p.room)];
    const auto exit = std::find_if(room.exits.begin(), room.exits.end(),
                                   [&](const auto& e) { return e.first == direction; });
    if (exit == room.exits.end()) {
        Tell(p, "You can't go " + direction + " from here.");
        return;
    }
    TellRoom(p.room, p, p.name + " leaves " + direction + ".");
    p.room = exit->second;
    TellRoom(p.room, p, p.name + " arrives.");
    Look(p);
}

void CDemoWorld::Say(Player& p, const std::string& text)
{
    if (text.empty()) {
        Tell(p, "Say what?");
        return;
    }
    Tell(p, "You say, '" + text + "'");
    TellRoom(p.room, p, p.name + " says, '" + text + "'");
}

void CDemoWorld::Who(Player& p)
{
    Tell(p, kBold + "Players in the demo world:" + kReset);
    for (const auto& [id, other] : m_players) {
        if (other.quitting)
            continue;
        Tell(p, "  " + other.name + "\t" + m_rooms[static_cast<std::size_t>(other.room)].title +
                    (id == p.id ? " (you)" : ""));
    }
    Tell(p, std::to_string(m_players.size()) + " connected.");
}

void CDemoWorld::Help(Player& p)
{
    Tell(p, kBold + "Commands:" + kReset);
    Tell(p, "  look\t\tdescribe the room (also l)");
    Tell(p, "  say <text>\tsay something to the room (also ' or \")");
    Tell(p, "  north, south, east, west\twalk (also n, s, e, w)");
    Tell(p, "  who\t\tlist the players");
    Tell(p, "  demo\t\tshow colours, tabs, backspace and carriage return");
    Tell(p, "  burst [N]\tsend N coloured lines at once (default 1000)");
    Tell(p, "  @image <URL>\tprint a picture URL the way MUCKs do");
    Tell(p, "  quit\t\tleave the world");
}

void CDemoWorld::Demo(Player& p)
{
    Tell(p, kBold + "What the client has to cope with:" + kReset);
    Tell(p, "Tabs:\tone\ttwo\tthree");
    Tell(p, "Backspace: the typo 'teh' is mended here: teh\b\bhe");
    Tell(p, "Carriage return: 10%\r\x1b[32mCarriage return: done\x1b[0m");
    Tell(p, "A bell follows, in case you hear it:\a");
    std::string normal = "Colours: ";
    std::string bright = "Bright:  ";
    const char* names[] = {"black", "red", "green", "yellow", "blue", "magenta", "cyan", "white"};
    for (int c = 0; c < 8; ++c) {
        normal += "\x1b[3" + std::to_string(c) + "m" + names[c] + kReset + " ";
        bright += "\x1b[1;3" + std::to_string(c) + "m" + names[c] + kReset + " ";
    }
    Tell(p, normal);
    Tell(p, bright);
    Tell(p, "Background: \x1b[44;37m white on blue \x1b[0m and \x1b[7mreverse\x1b[0m.");
}

void CDemoWorld::Burst(Player& p, const std::string& argument)
{
    int count = kDefaultBurst;
    if (!argument.empty()) {
        const bool digits =
            argument.size() <= 6 && std::all_of(argument.begin(), argument.end(),
                                                [](unsigned char c) { return std::isdigit(c); });
        count = digits ? std::stoi(argument) : 0;
        if (count < 1 || count > kMaxBurst) {
            Tell(p, "Usage: burst [N], with N from 1 to " + std::to_string(kMaxBurst) + ".");
            return;
        }
    }
    // Built in one piece and sent at once, so it arrives as fast as the socket allows.
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 90);
    const std::string total = std::to_string(count);
    for (int i = 1; i <= count; ++i) {
        const int colour = 31 + (i - 1) % 6;
        out += "\x1b[" + std::to_string(colour) + "mBurst line " + std::to_string(i) + " of " +
               total + kReset + ": the quick brown fox jumps over the lazy dog." + kLineEnd;
    }
    m_send(p.id, out);
}

void CDemoWorld::Quit(Player& p)
{
    Tell(p, "Goodbye.");
    p.quitting = true;
}

void CDemoWorld::Tell(const Player& p, const std::string& text)
{
    m_send(p.id, text + kLineEnd);
}

void CDemoWorld::Prompt(const Player& p)
{
    m_send(p.id, kPrompt);
}

void CDemoWorld::TellRoom(int room, const Player& except, const std::string& text)
{
    for (const auto& [id, other] : m_players) {
        if (id != except.id && other.room == room && !other.quitting)
            m_send(id, std::string(kLineEnd) + text + kLineEnd + kPrompt);
    }
}
