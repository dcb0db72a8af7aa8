// help_file_test.cpp -- the program's own help file, help/users.hlp, as users meet it.
// Its shape is checked line by line; its topics are reached through "??" and "\H".

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ask_run.h"

namespace {

const std::string help_dir =
    std::filesystem::weakly_canonical(KAVRIN_TEST_DATA "/../../../help").string();

constexpr std::size_t max_columns = 80;   // a terminal line, and well inside the 127 a read takes
constexpr std::size_t max_key = 19;       // a longer key breaks the four-column listing

struct Key {
    int level = 0;
    std::string name;
    std::vector<std::string> shown;      // its text lines that are not hidden
    bool has_sub = false;
    std::size_t line = 0;
};

struct HelpText {
    std::vector<std::string> lines;
    std::vector<Key> keys;
};

HelpText read_help()
{
    HelpText h;
    std::ifstream f(help_dir + "/users.hlp");
    for (std::string l; std::getline(f, l);) h.lines.push_back(l);
    for (std::size_t i = 0; i < h.lines.size(); ++i) {
        const std::string& l = h.lines[i];
        if (!l.empty() && std::isdigit(static_cast<unsigned char>(l[0]))) {
            Key k;
            k.level = l[0] - '0';
            k.name = l.substr(l.find_first_not_of(" \t", 1) == std::string::npos
                                  ? l.size() : l.find_first_not_of(" \t", 1));
            k.line = i + 1;
            if (!h.keys.empty() && k.level > h.keys.back().level) h.keys.back().has_sub = true;
            h.keys.push_back(k);
        } else if (!h.keys.empty() && (l.empty() || l[0] != '!')) {
            h.keys.back().shown.push_back(l);
        }
    }
    return h;
}

std::string upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::vector<const Key*> top_keys(const HelpText& h)
{
    std::vector<const Key*> top;
    for (const Key& k : h.keys)
        if (k.level == 1) top.push_back(&k);
    return top;
}

// Lines fit the browser and the terminal; keys form a tree the browser can walk (no level
// skipped, no level 0 cutting it short) and each is reached by its own full name.
TEST(HelpFile, Shape)
{
    const HelpText h = read_help();
    ASSERT_FALSE(h.keys.empty()) << help_dir;
    for (std::size_t i = 0; i < h.lines.size(); ++i) {
        const std::string& l = h.lines[i];
        EXPECT_LE(l.size(), max_columns) << "line " << i + 1;
        for (const char c : l)
            EXPECT_TRUE(c >= ' ' && c <= '~') << "line " << i + 1 << " has byte " << int(c);
        const bool key = !l.empty() && std::isdigit(static_cast<unsigned char>(l[0]));
        if (!key) {
            EXPECT_TRUE(l.empty() || l[0] == ' ' || l[0] == '!') << "line " << i + 1;
        }
    }
    int prev = 0;
    for (std::size_t i = 0; i < h.keys.size(); ++i) {
        const Key& k = h.keys[i];
        EXPECT_GE(k.level, 1) << "line " << k.line;
        EXPECT_LE(k.level, prev + 1) << "line " << k.line << ": a level skipped";
        prev = k.level;
        EXPECT_FALSE(k.name.empty()) << "line " << k.line;
        EXPECT_LE(k.name.size(), max_key) << k.name;
        EXPECT_EQ(k.name.find_first_of(" \t"), std::string::npos) << k.name;
        bool text = false;
        for (const std::string& s : k.shown) text = text || s.find_first_not_of(' ') != s.npos;
        EXPECT_TRUE(text) << k.name << " has no text";
        // Siblings: the keys of this level up to the parent's end.
        for (std::size_t j = i + 1; j < h.keys.size() && h.keys[j].level >= k.level; ++j) {
            if (h.keys[j].level != k.level) continue;
            const std::string a = upper(k.name), b = upper(h.keys[j].name);
            EXPECT_FALSE(b.compare(0, a.size(), a) == 0 || a.compare(0, b.size(), b) == 0)
                << k.name << " and " << h.keys[j].name << " share a beginning";
        }
    }
    // "\H" asks for the topic ASK: exactly one top key begins so.
    int ask = 0;
    for (const Key* k : top_keys(h)) ask += upper(k->name).rfind("ASK", 0) == 0 ? 1 : 0;
    EXPECT_EQ(ask, 1);
}

struct HelpEnv {
    HelpEnv() { ::setenv("VULHELP", help_dir.c_str(), 1); }
    ~HelpEnv() { ::unsetenv("VULHELP"); }
};

// Every top key, typed at "topic? ", shows its name and its first text line, and offers
// its sub-keys when it has them; "\H" lands on the answer-line commands.
TEST(HelpFile, EveryTopKeyThroughTheBrowser)
{
    const HelpText h = read_help();
    const std::vector<const Key*> top = top_keys(h);
    ASSERT_FALSE(top.empty());
    const Key* ask = nullptr;    // the topic "\H" asks for
    for (const Key* k : top)
        if (upper(k->name).rfind("ASK", 0) == 0) ask = k;
    ASSERT_NE(ask, nullptr);
    ASSERT_FALSE(ask->shown.empty());
    HelpEnv env;
    Scratch s;
    std::vector<Typed> typed{{"N > ", "??\n"}};
    for (const Key* k : top) {
        typed.push_back({"topic? ", k->name + "\n"});
        if (k->has_sub) typed.push_back({k->name + " topic? ", "\n"});
    }
    typed.push_back({"topic? ", "\n"});
    typed.push_back({"N > ", "\\H\n"});
    if (ask->has_sub) typed.push_back({ask->name + " topic? ", "\n"});
    typed.push_back({"topic? ", "\n"});
    typed.push_back({"N > ", "1\n"});
    const RunResult r = run_pty(s, {"ask:I:N > "}, typed);

    std::string listing;
    for (std::size_t i = 0; i < top.size(); ++i) {
        listing += top[i]->name + std::string(max_key - top[i]->name.size(), ' ') + " ";
        if ((i + 1) % 4 == 0) listing += "\n";
    }
    EXPECT_NE(r.out.find("help-unx: " + help_dir + "/users.hlp\n \n    Information available:\n"
                         " \n" + listing + "\ntopic? "),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("No match found"), std::string::npos) << r.out;
    for (const Key* k : top) {
        const std::string first = k->shown.empty() ? "" : k->shown.front();
        const std::string shown = "topic? " + k->name + "\n" + k->name + "\n" + first;
        const std::size_t at = r.out.find(shown);
        ASSERT_NE(at, std::string::npos) << k->name << "\n" << r.out;
        const std::size_t next = r.out.find("\ntopic? ", at + shown.size());
        const std::string part = r.out.substr(at, next - at);
        EXPECT_EQ(part.find("Additional information available:") != std::string::npos,
                  k->has_sub)
            << k->name;
    }
    EXPECT_NE(r.out.find("\\H\nhelp-unx: " + help_dir + "/users.hlp\n \n    Information "
                         "available:\n \n" + ask->name + "\n" + ask->shown.front()),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("N > 1\n=> 1\n"), std::string::npos) << r.out;
}

}  // namespace
