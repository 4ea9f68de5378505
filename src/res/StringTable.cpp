#include "res/StringTable.h"

#include <map>

namespace {

// Keep sorted by id. Texts are used exactly as they stand.
const std::map<int, const char*>& Table()
{
    static const std::map<int, const char*> table = {
        {104, "Windows sockets initialization failed."},
        {128, "Brumble"},
        {1002, "Select a host from the drop down list or type in a new host/server domain name."},
        {1003, "Select the port for the host from the list, or type in a numerical port number."},
        {1030, "The list of currently available aliases."},
        {1031, "Select the character to use as the alias indicator - this is always typed before "
               "the alias name."},
        {1032, "Add a new alias to the list."},
        {1033, "Modify the selected alias."},
        {1034, "Delete the selected alias."},
        {1035, "Enter the name of the alias - you will type this to run the aliased commands."},
        {1036, "Enter the commands you want to be aliased - enter each command on a new line."},
        {1301, "Watch the received lines for URLs."},
        {1302, "Show the GIF or JPEG picture named after the trigger in a small window."},
        {1303, "Open URLs that start with the trigger text in the default browser."},
        {1304, "The text the server prints before a picture URL; one space and the URL follow it."},
        {1305, "The text a URL starts with, for example http://."},
        {1306, "Ask before each URL is opened in the browser. Links that are not web addresses "
               "are always asked about."},
        {8001, "You must select a port from the drop down list or enter a port number."},
        {8002, "You must select a server from the drop down list, or enter a domain address."},
        {8003, "Unable to connect to "},
        {8004, "A session was disconnected from "},
        {8005, "This window is already connected. Do you want to disconnect the session?"},
        {8006, "No Connection"},
        {8019, "To copy text, highlight it and release the mouse button."},
        {8099, "The settings file %1 could not be opened. Brumble is starting with empty "
               "settings, and changes to them will not be saved."},
        {8100, "The settings file %1 could not be read and was kept as %2. Brumble is starting "
               "with empty settings."},
        {8200, "Please enter both the alias name and the text to send."},
        {8301, "Do you wish to view the URL: "},
        {8302, "Unable to display URL. No default browser has been installed."},
        {8303, "URL pointed to an invalid GIF image."},
        {8304, "JPEG Library Error"},
        {8305, "Loading..."},
        {8306, "Unable to fetch %1: %2"},
        {8307, "The picture is too large to show (%1 x %2 pixels)."},
        {8308, "The picture's colours cannot be shown."},
        {57344, "Brumble"},
        {57345, "For help, press F1 (unless you've set it as a Shortcut key)"},
        {57600, "Make a connection in a new window to a server\nNew server connection"},
    };
    return table;
}

} // namespace

std::string LoadString(int id)
{
    auto it = Table().find(id);
    return it == Table().end() ? std::string() : std::string(it->second);
}
