// The player's settings, kept between games: the sound switch, and whether
// the help sign still opens the game (`help off` once the player has seen it,
// or for scripts that start the game). They live in
// $XDG_CONFIG_HOME/velmora/settings (~/.config/velmora/settings by default),
// one "name value" a line. A file that cannot be read or makes no sense is
// named in one line and the defaults apply; the game never stops over it.
#pragma once
#include <string>

struct Settings {
    bool soundOn = true;
    bool helpOn = true;
};

// Where the settings are kept; empty when there is no home to keep them in.
std::string settingsPath();

// The settings in the text of a settings file; false, with why in fault, for
// a text that is not one. Names it does not know are left alone, so a newer
// game's file still reads.
bool parseSettings(const std::string& text, Settings& settings, std::string& fault);
// The text of a settings file that held kept: the game's own names with their
// values now, where they first stood (or added at the end), every other line
// (comments, names it does not know) as it stands and in its order.
std::string settingsText(const std::string& kept, const Settings& settings);

// Reads the settings file, if there is one (a missing file is the defaults, silently).
Settings readSettings();
// Writes them whole (to a new file, synced and renamed over the old one, or
// over the file a symlink there points at); one line if it cannot.
void writeSettings(const Settings& settings);

// The sound switch as it is now, kept for the next game with the rest of
// the settings as the file holds them.
void rememberSoundSwitch();
// The help sign seen and taken away: later games open without it.
void rememberHelpSeen();
