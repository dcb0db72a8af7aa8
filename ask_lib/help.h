// help.h -- the help browser over hierarchical help files of numbered key levels.
// Reached from any question ("??", "\H") and from the command tables (HELP).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ftext.h"

// The help settings: where help files live and which one to read. The directory stays NUL
// until init_help or cmli_help sets it (then VULHELP names the directory).
struct CbAskHelp {
    FText<80> dir{std::string_view("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
                                   "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
                                   "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 80)};
    FText<80> lib;      // the help file's name without ".hlp"; blank: "users"
    FText<40> topic;    // the topic HELP of a command table starts with
};
inline CbAskHelp cb_ask_help;

// Stores the three settings (cut or blank-padded to 80, 80 and 40 characters).
void init_help(std::string_view dir, std::string_view lib, std::string_view topic);
// Opens the help file of dir and lib and browses it, starting with the words of topic.
void help(std::string_view dir, std::string_view lib, std::string_view topic);

// An open help file: its lines (whole, however long) and the line the browser is at.
struct HelpFile {
    std::vector<std::string> lines;
    std::size_t pos = 0;           // index of the next line to read
};

// Browses one level of f from its position: lists the keys, shows the text of the key that
// words name (descending for further words) and asks for topics until an empty answer.
void dohelp(HelpFile& f, int level, std::string& words, std::string& path);
// The word (up to its first white space) begins key, in any letter case; "" matches all.
bool match(std::string_view word, std::string_view key);
