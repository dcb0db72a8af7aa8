// help.cpp -- the help browser: keys of numbered levels, their texts and sub-keys.
// The whole file is read into memory, so the browser moves about it by line number.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "askq_local.h"
#include "fio.h"
#include "help.h"

namespace {

// The browser's lines go straight to the screen, without the free-form leading blank.
void say(std::string_view line) { fio_write(fio_stdout, "(A)", {line}); }

// One key of a listing: left in 19 columns (a longer key whole), then a blank; the
// fourth of a line ends it.
void list_key(const std::string& key, bool line_end)
{
    const FText<19> field(key);
    const FVal k = key.size() > field.size() ? FVal(key) : FVal(field);
    fio_write(fio_stdout, line_end ? "(A,' ')" : "(A,' ',$)", {k});
}

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Level 0..9 of a key line, -1 for a text line.
int key_level(const std::string& line)
{
    return !line.empty() && line[0] >= '0' && line[0] <= '9' ? line[0] - '0' : -1;
}

std::string key_of(const std::string& line)
{
    std::size_t i = 1;
    while (i < line.size() && is_space(line[i])) ++i;
    return line.substr(i);
}

std::string trim(std::string_view s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\0')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\0')) --b;
    return std::string(s.substr(a, b - a));
}

// Splits words into its first word (after white space and "?") and the rest after it.
void first_word(const std::string& words, std::string& word, std::string& rest)
{
    std::size_t i = 0;
    while (i < words.size() && (is_space(words[i]) || words[i] == '?')) ++i;
    std::size_t j = i;
    while (j < words.size() && !is_space(words[j])) ++j;
    word = words.substr(i, j - i);
    while (j < words.size() && is_space(words[j])) ++j;
    rest = words.substr(j);
}

void add_to_path(std::string& path, std::string_view what)
{
    if (!path.empty()) path += ' ';
    path += what;
}

// The text lines under the key at line k-1, up to the next key line; hidden lines skipped.
// Returns the index of that key line (or the end).
std::size_t show_text(const HelpFile& f, std::size_t k)
{
    for (; k < f.lines.size() && key_level(f.lines[k]) < 0; ++k)
        if (f.lines[k].empty() || f.lines[k][0] != '!') say(f.lines[k]);
    return k;
}

bool read_file(const std::string& name, HelpFile& f)
{
    std::FILE* fp = std::fopen(name.c_str(), "r");
    if (fp == nullptr) return false;
    std::string line;
    for (int c; (c = std::fgetc(fp)) != EOF;) {   // whole lines, however long
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        f.lines.push_back(line);
        line.clear();
    }
    if (!line.empty()) f.lines.push_back(line);
    std::fclose(fp);
    return true;
}

}  // namespace

bool match(std::string_view word, std::string_view key)
{
    std::size_t n = 0;
    while (n < word.size() && !is_space(word[n])) ++n;
    if (n > key.size()) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(word[i])) !=
            std::tolower(static_cast<unsigned char>(key[i])))
            return false;
    return true;
}

void dohelp(HelpFile& f, int level, std::string& words, std::string& path)
{
    const std::size_t start = f.pos;
    const std::size_t p0 = path.size();
    for (;;) {
        std::string word, rest;
        first_word(words, word, rest);
        int keys = 0, listed = 0;
        bool matched = false;
        while (f.pos < f.lines.size()) {
            const std::string& line = f.lines[f.pos++];
            const int lev = key_level(line);
            if (lev < 0 || lev > level) continue;
            if (lev < level) break;
            ++keys;
            const std::string key = key_of(line);
            if (!match(word, key)) continue;
            matched = true;
            if (word.empty()) {
                list_key(key, ++listed % 4 == 0);
            } else if (!rest.empty()) {
                add_to_path(path, key);
                dohelp(f, level + 1, rest, path);
                path.resize(p0);
            } else {
                add_to_path(path, key);
                say(path);
                const std::size_t after_key = f.pos;
                const std::size_t next = show_text(f, f.pos);
                if (next < f.lines.size() && key_level(f.lines[next]) > level) {
                    fio_write(fio_stdout, "(/,' Additional information available:',/)");
                    f.pos = after_key;
                    std::string none;
                    dohelp(f, level + 1, none, path);
                }
                path.resize(p0);
            }
        }
        f.pos = start;
        if (!matched) {
            if (!word.empty()) {
                std::string shown = path;
                add_to_path(shown, words.substr(words.find(word)));
                fio_write(fio_stdout, "('No match found for ',A,'.',/,'Try the following:',/)",
                          {shown});
            }
            if (keys == 0) return;                  // nothing here to choose from
            words.clear();
            continue;
        }
        say("");
        std::string prompt = path;
        add_to_path(prompt, "topic? ");
        const std::optional<std::string> got = input_line(prompt);
        if (!got) return;
        words = *got;
        if (trim(words).empty()) return;
    }
}

void init_help(std::string_view dir, std::string_view lib, std::string_view topic)
{
    cb_ask_help.dir = dir;
    cb_ask_help.lib = lib;
    cb_ask_help.topic = topic;
}

void help(std::string_view dir, std::string_view lib, std::string_view topic)
{
    lib = lib.substr(0, 132);
    topic = topic.substr(0, 132);
    std::string d;
    if (trim(dir).empty()) {
        const char* env = std::getenv("VULHELP");
        if (env == nullptr) {
            say("'setenv VULHELP <helpdir>' and restart program.");
            return;
        }
        d = std::string(env).substr(0, 132);
    } else {
        std::size_t lead = 0;
        while (lead < dir.size() && dir[lead] == ' ') ++lead;
        fio_write(fio_stdout, "('help-unx: path trimming: ',I0,' ...',A,'...')", {lead, dir.substr(0, dir.find('\0'))});
        d = trim(dir);
    }
    if (d.empty() || d.back() != '/') d += '/';
    const std::string l = trim(lib);
    const std::string name = d + (l.empty() ? "users" : l) + ".hlp";
    HelpFile f;
    if (!read_file(name, f)) {
        fio_write(fio_stdout, "('help-unx: Help file unavailable: ',A)", {name});
        return;
    }
    fio_write(fio_stdout, "('help-unx: ',A,/,' ',/,'    Information available:',/,' ')", {name});
    std::string words(topic), path;
    dohelp(f, 1, words, path);
    fio_flush_all();
}
