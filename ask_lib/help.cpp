// help.cpp -- the help browser: keys of numbered levels, their texts and sub-keys.
// Lines are read through readline's history-aware prompt "topic? " at every level.

#include "help.h"

void init_help(std::string_view dir, std::string_view lib, std::string_view topic)
{
    cb_ask_help.dir = dir;
    cb_ask_help.lib = lib;
    cb_ask_help.topic = topic;
}

void help(std::string_view, std::string_view, std::string_view) {}
