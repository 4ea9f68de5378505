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
        {1004, "Play the warning sound whenever a trigger string arrives."},
        {1005, "Flash the main window whenever a trigger string arrives."},
        {1006, "Play the warning sound and flash the main window whenever a trigger string "
               "arrives."},
        {1015, "Enter the number of lines you want to be able to scroll back through."},
        {1016, "Set the main window background colour."},
        {1017, "Set the main window default text colour."},
        {1030, "The list of currently available aliases."},
        {1031, "Select the character to use as the alias indicator - this is always typed before "
               "the alias name."},
        {1032, "Add a new alias to the list."},
        {1033, "Modify the selected alias."},
        {1034, "Delete the selected alias."},
        {1035, "Set the main window font face, style, and size."},
        {1037, "Enter the name of the alias - you will type this to run the aliased commands."},
        {1038, "Enter the commands you want to be aliased - enter each command on a new line."},
        {1040, "The strings that set off a warning when they arrive."},
        {1041, "Type a string to watch for - it is matched whatever its case."},
        {1042, "Add the string typed beside the list to the triggers."},
        {1043, "Delete the selected trigger string."},
        {1044, "Choose the warning sound - you hear it as you choose."},
        {1045, "Choose a WAV file to play as the warning sound."},
        {1046, "A few words about triggers."},
        {1047, "Save the trigger strings and close."},
        {1050, "The strings of which one, chosen at random, is sent at every interval."},
        {1051, "Type a string to be sent now and then."},
        {1052, "Add the string typed beside the list."},
        {1053, "Remove the selected string."},
        {1054, "How many seconds pass between two strings - 0 sends none."},
        {1060, "A list of all currently available shortcuts and their keys."},
        {1061, "Add a new shortcut."},
        {1062, "Modify the selected shortcut."},
        {1063, "Delete the selected shortcut."},
        {1064, "Enter the function key number for this shortcut (1-12)."},
        {1065, "Select this to set the shortcut on the function key alone."},
        {1066, "Select this to set the shortcut when the shift and function key are pressed."},
        {1067, "Select this to set the shortcut when the ctrl and function key are pressed."},
        {1068, "Select this to set the shortcut when the alt and function key are pressed."},
        {1069, "Enter the text to send when the function key is pressed - put seperate commands "
               "on a new line each."},
        {1078, "Check this if you want to be able to send Ctrl+A through to Ctrl+Z to the "
               "connected host."},
        {1080, "Select this if you want to highlight all lines that start with particular "
               "characters."},
        {1081, "Select this if you want to highlight all lines that contain particular "
               "characters."},
        {1082, "Enter the characters you want to trigger the highlight."},
        {1086, "Double-click a blank line to add text to highlight; right-click a line to "
               "change it."},
        {1087, "Scroll text entries."},
        {1088, "Pan across text entries."},
        {1106, "Enter the number of entered commands to be able to scroll back through."},
        {1140, "Tick this to write everything received from this host to log files "
               "automatically, every time you connect."},
        {1141, "Tick this to write the commands you send into the log files as well."},
        {1142, "The folder the log files are written to. Use Browse to choose another one."},
        {1143, "Choose the folder the log files are written to."},
        {1144, "Start a new log file every day, named by the date (YYYYMMDD.txt)."},
        {1145, "Start a new log file every week, named by the date of its Sunday."},
        {1146, "Start a new log file for every connection (YYYYMMDD-1.txt, YYYYMMDD-2.txt, ...)."},
        {1200, "View and edit the commands sent when / is pressed."},
        {1201, "View and edit the commands sent when * is pressed."},
        {1202, "View and edit the commands sent when - is pressed."},
        {1203, "View and edit the commands sent when 7 is pressed."},
        {1204, "View and edit the commands sent when 8 is pressed."},
        {1205, "View and edit the commands sent when 9 is pressed."},
        {1206, "View and edit the commands sent when + is pressed."},
        {1207, "View and edit the commands sent when 4 is pressed."},
        {1208, "View and edit the commands sent when 5 is pressed."},
        {1209, "View and edit the commands sent when 6 is pressed."},
        {1210, "View and edit the commands sent when 1 is pressed."},
        {1211, "View and edit the commands sent when 2 is pressed."},
        {1212, "View and edit the commands sent when 3 is pressed."},
        {1213, "View and edit the commands sent when 0 is pressed."},
        {1214, "View and edit the commands sent when . is pressed."},
        {1215, "Enter the commands to assign to the selected keypad key."},
        {1301, "Watch the received lines for URLs."},
        {1302, "Show the GIF or JPEG picture named after the trigger in a small window."},
        {1303, "Open URLs that start with the trigger text in the default browser."},
        {1304, "The text the server prints before a picture URL; one space and the URL follow it."},
        {1305, "The text a URL starts with, for example http://."},
        {1306, "Ask before each URL is opened in the browser. Links that are not web addresses "
               "are always asked about."},
        {1400, "A list of all scripts currently active."},
        {1401, "Insert a script before the selected one - scripts are evaluated in order."},
        {1402, "Insert a script after the selected one - scripts are evaluated in order."},
        {1403, "Modify the selected script."},
        {1404, "Delete the selected script."},
        {1405, "Move the selected script up the order."},
        {1406, "Move the selected script down the order."},
        {1410, "Select when (which event) you want the script to run."},
        {1411, "Enter the timer number for the onTimer event."},
        {1412, "Enter the string for the onReceive event - you can use wildcard characters."},
        {1413, "This is the list of commands triggered (in order) for this particular script "
               "event."},
        {1414, "Add a script command."},
        {1415, "Modify selected script command."},
        {1416, "Remove selected script command."},
        {1417, "A few words about conditions and commands."},
        {1420, "Select the command to be run."},
        {1421, "Select a sound resource or enter a WAV file path name."},
        {1422, "Browse for a file."},
        {1423, "Enter a timer number."},
        {1424, "Enter a file name for this command."},
        {1425, "Enter a colour as # followed by six hexadecimal digits in the order blue, green, "
               "red."},
        {1426, "Choose the colour from a palette."},
        {1427, "Enter the text to send - $* and $1 to $9 put in the received line and its words."},
        {1428, "Enter the number of seconds between two firings of the timer."},
        {1620, "The hosts you have connected to. Choose one to change its settings."},
        {1621, "Change the colours, font and buffers of the selected host."},
        {1622, "Edit the coloured text of the selected host."},
        {1623, "Edit the trigger strings and warning of the selected host."},
        {1624, "Edit the timed text of the selected host."},
        {1625, "Edit the function-key shortcuts of the selected host."},
        {1626, "Edit the keypad keys of the selected host."},
        {1627, "Edit the aliases of the selected host."},
        {1628, "Edit the scripts of the selected host."},
        {1629, "Choose what is done with picture URLs and links the selected host sends."},
        {1630, "Change the automatic logging of the selected host."},
        {1631, "Delete every setting of the selected host, so that it starts again from the "
               "defaults."},
        {1632, "Close this dialog."},
        {1640, "Choose the host whose settings replace those of this window's host."},
        {1641, "Replace all settings of this window's host by those of the chosen host."},
        {1642, "Close without changing any setting."},
        {8001, "You must select a port from the drop down list or enter a port number."},
        {8002, "You must select a server from the drop down list, or enter a domain address."},
        {8003, "Unable to connect to "},
        {8004, "A session was disconnected from "},
        {8005, "This window is already connected. Do you want to disconnect the session?"},
        {8006, "No Connection"},
        {8007, "The server stopped reading what Brumble sends, and the text waiting to be sent "
               "grew too large."},
        {8019, "To copy text, highlight it and release the mouse button."},
        {8098, "The settings file %1 can be read but not written. Brumble is using the settings "
               "in it, but changes to them will not be saved."},
        {8099, "The settings file %1 could not be opened. Brumble is starting with empty "
               "settings, and changes to them will not be saved."},
        {8100, "The settings file %1 could not be read and was kept as %2. Brumble is starting "
               "with empty settings."},
        {8101, "The quick brown fox jumps over the lazy dog."},
        {8102, "You are standing in an open field west of a white house."},
        {8103, "It is pitch dark. You are likely to be eaten by a grue."},
        {8104, "The dragon looks at you hungrily."},
        {8105, "A wandering minstrel hums a tune you almost know."},
        {8106, "Your backpack is suspiciously lighter than before."},
        {8107, "The goblin drops a rusty spoon. How useful."},
        {8108, "A small kobold waves at you. You wave back."},
        {8109, "You feel a strange urge to check your mail."},
        {8110, "The innkeeper polishes the same mug for the tenth time."},
        {8111, "Somewhere, a bard is rhyming 'sword' with 'bored'."},
        {8112, "You hear the distant sound of someone typing 'look'."},
        {8113, "The wizard's hat is larger on the inside."},
        {8114, "A rubber chicken with a pulley in the middle."},
        {8115, "The troll asks politely for the toll. You are confused."},
        {8116, "Your torch flickers dramatically, for effect."},
        {8117, "An ogre compliments your choice of font."},
        {8118, "The cat ignores you with great dignity."},
        {8119, "A sign reads: 'Beware of the sign.'"},
        {8120, "You have been idle for too long. The sheep have noticed."},
        {8140, "An error occurred opening the export file (%s). Please choose another file."},
        {8141, "Brumble was unable to read all its values from the settings store. Either the "
               "system is unable to write to the export file, or the settings store itself is "
               "corrupt."},
        {8142, "An error occurred opening the import file (%s). Please choose another file."},
        {8143, "Are you sure that you want to overwrite all your current Brumble settings?"},
        {8144, "Brumble was unable to write all its values to the settings store. It's possible "
               "that the import file is damaged, or that the settings store itself is corrupt."},
        {8200, "Please enter both the alias name and the text to send."},
        {8210, "There is already a shortcut for that Function Key. Do you want to overwrite the "
               "existing one?"},
        {8211, "Are you certain that you want to remove the following Shortcut Key?\n"},
        {8230, "The highlight text cannot be empty."},
        {8231, "Did you mean to delete the trigger string '%s'?"},
        {8301, "Do you wish to view the URL: "},
        {8302, "Unable to display URL. No default browser has been installed."},
        {8303, "URL pointed to an invalid GIF image."},
        {8304, "JPEG Library Error"},
        {8305, "Loading..."},
        {8306, "Unable to fetch %1: %2"},
        {8307, "The picture is too large to show (%1 x %2 pixels)."},
        {8308, "The picture's colours cannot be shown."},
        {8330, "Are you sure you want to clear all settings for this host?"},
        {8400, "onConnect"},
        {8401, "onReceive"},
        {8402, "onTimer"},
        {8403, "beep"},
        {8404, "colour"},
        {8405, "send"},
        {8406, "setTimer"},
        {8407, "killTimer"},
        {8408, "line"},
        {8409, "read"},
        {8410, "save"},
        {8411, "Are you certain that you want to remove the following Script?\nIF "},
        {8412, "The condition is invalid (onReceive must have some text specified for it)."},
        {8413, "The onText condition can accept the usual wild cards: * ? [abc] [a-z] [^abd-z] "
               "{word1|word2} {^word1|word2}. See the help for more info on them. The send "
               "command allows args $* (all of the triggering text) and $1 to $9 (first 9 words "
               "of the triggering text). Use $$ for a single $.  "},
        {8419, "This text holds characters that Latin-1 cannot carry. Remove them, or choose "
               "the Auto or UTF-8 encoding for this host in Tools > Options."},
        {8420, "Encoding"},
        {8421, "Auto"},
        {8422, "UTF-8"},
        {8423, "Latin-1"},
        {8424, "Show ANSI colours"},
        {8425, "Line ends"},
        {8426, "As sent (a line feed keeps the column)"},
        {8427, "A bare LF always ends a line"},
        {8428, "How the server's text is read and what you type is sent: Auto shows UTF-8 where "
               "the server sends it and Latin-1 elsewhere."},
        {8429, "Check this to show the colours the server sends; unchecked, lines take their "
               "highlight or the text colour."},
        {8430, "What a line feed without a carriage return does: Auto starts the next line at "
               "the left edge until the server sends a carriage return."},
        {8440, "The secure connection (TLS) failed: "},
        {8441, "The server did not answer in TLS: this port does not seem to offer secure "
               "connections. Turn off \"Secure connection (TLS)\" for this host in the Connect "
               "dialog, or choose the server's secure port."},
        {8442, "The server closed the connection before the secure connection (TLS) was made."},
        {8443, "The server's certificate chain is too large, so the secure connection (TLS) was "
               "refused."},
        {8444, "The server did not complete the secure connection (TLS) in time."},
        {8445, "The certificate of %1 could not be verified: %2.\n\nSHA-256 fingerprint of the "
               "certificate:\n%3\n\nYes: always trust this certificate for this host (you will "
               "be asked again if it changes).\nNo: connect this time only.\nCancel: do not "
               "connect."},
        {8446, " - secure (%1)"},
        {8447, "Secure connection (TLS)"},
        {8448, "Understand telnet commands on every port"},
        {8449, "Connect with TLS: the connection is encrypted and the server's certificate is "
               "checked. Remembered for this host."},
        {8450, "Interpret telnet commands on this host whatever the port, and let the server "
               "switch off local echo for password prompts. Remembered for this host."},
        {57344, "Brumble"},
        {57345, "For help, press F1 (unless you've set it as a Shortcut key)"},
        {57600, "Make a connection in a new window to a server\nNew server connection"},
        {57664, "Display program information, version number and copyright\nAbout"},
        {61715, "Please enter an integer between %1 and %2."},
        {61716, "Please enter no more than %1 characters."},
        {61717, "Please enter a positive integer."},
    };
    return table;
}

} // namespace

std::string LoadString(int id)
{
    auto it = Table().find(id);
    return it == Table().end() ? std::string() : std::string(it->second);
}
