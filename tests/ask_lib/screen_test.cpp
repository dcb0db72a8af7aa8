// screen_test.cpp -- texts made in Latin-1 or code page 437 as a UTF-8 terminal receives them,
// and the bytes as made everywhere else: pipes, terminals of other locales, files.

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdlib>
#include <string>

#include "ask_run.h"
#include "fio.h"

namespace {

// The C library's own conversion of one byte, the reference the table is checked against.
std::string iconv_utf8(const char* from, unsigned char byte)
{
    iconv_t cd = ::iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return "";
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* ip = in;
    char* op = out;
    std::size_t il = 1, ol = sizeof out;
    const std::size_t rc = ::iconv(cd, &ip, &il, &op, &ol);
    ::iconv_close(cd);
    return rc == static_cast<std::size_t>(-1) ? "" : std::string(out, sizeof out - ol);
}

// Every byte above 127 becomes the character its set gives it; Latin-1's controls 128..159
// become the replacement character instead.
TEST(Screen, EveryHighByte)
{
    ASSERT_FALSE(iconv_utf8("CP437", 0xB5).empty()) << "no code page 437 in this C library";
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string one(1, static_cast<char>(b));
        const auto ub = static_cast<unsigned char>(b);
        EXPECT_EQ(fio_utf8(one, FCharset::cp437), iconv_utf8("CP437", ub)) << "byte " << b;
        const std::string want = b < 0xA0 ? "\xEF\xBF\xBD" : iconv_utf8("LATIN1", ub);
        EXPECT_EQ(fio_utf8(one, FCharset::latin1), want) << "byte " << b;
    }
}

struct TextCase {
    const char* in;
    FCharset cs;
    const char* want;
};

constexpr TextCase text_cases[] = {
    // what the program makes: micro and plus-minus of both sets, DISPLAY's micro
    {" Ready to pack   589  0.010156-\xB5s bins", FCharset::latin1,
     " Ready to pack   589  0.010156-\xC2\xB5s bins"},
    {"( 0.20000000 \xB1 0.01000)", FCharset::latin1, "( 0.20000000 \xC2\xB1 0.01000)"},
    {"( 0.20000000 \xF1 0.01000) \xE6s", FCharset::cp437, "( 0.20000000 \xC2\xB1 0.01000) \xC2\xB5s"},
    {"[\xB5s]", FCharset::cp437, "[\xE2\x95\xA1s]"},
    {"plain text, +/- and u", FCharset::latin1, "plain text, +/- and u"},
    {"", FCharset::latin1, ""},
    // answers typed at a UTF-8 terminal are UTF-8 already and pass whole
    {"Cu \xC2\xB5SR \xE2\x88\x9E \xF0\x9F\x98\x80", FCharset::latin1,
     "Cu \xC2\xB5SR \xE2\x88\x9E \xF0\x9F\x98\x80"},
    {"\xC2\xB5", FCharset::cp437, "\xC2\xB5"},
    // what is not well-formed UTF-8 is read byte by byte in the set
    {"\xC2", FCharset::latin1, "\xC3\x82"},                       // a lead at the end
    {"\xC2" "A", FCharset::latin1, "\xC3\x82" "A"},               // a lead before ASCII
    {"\xB5\xB5", FCharset::latin1, "\xC2\xB5\xC2\xB5"},           // two continuations
    {"\xC0\xB5", FCharset::latin1, "\xC3\x80\xC2\xB5"},           // overlong lead
    {"\xE0\x9F\xBF", FCharset::latin1, "\xC3\xA0\xEF\xBF\xBD\xC2\xBF"},  // overlong 3-byte
    {"\xED\xA0\x80", FCharset::latin1, "\xC3\xAD\xC2\xA0\xEF\xBF\xBD"},  // a surrogate
    {"\xF4\x90\x80\x80", FCharset::latin1,
     "\xC3\xB4\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},             // past U+10FFFF
    // a control byte of a run file's title never reaches the terminal as a control
    {"\x9B" "31m", FCharset::latin1, "\xEF\xBF\xBD" "31m"},
    {"\x9B", FCharset::cp437, "\xC2\xA2"},
};

TEST(Screen, Texts)
{
    for (const TextCase& c : text_cases)
        EXPECT_EQ(fio_utf8(c.in, c.cs), c.want) << c.in;
}

// The locale of one run of the driver, as a user's environment gives it.
struct Locale {
    explicit Locale(const char* name) { ::setenv("LC_ALL", name, 1); }
    ~Locale() { ::setenv("LC_ALL", "C", 1); }
};

// A line, a line on standard error, a prompt with its current value, the value shown back: at
// a UTF-8 terminal in UTF-8, elsewhere in the bytes made.
TEST(Screen, DriverAtTerminalAndPipe)
{
    const std::vector<std::string> steps{"locale", "say:\xB5s", "sayerr:\xB1",
                                         "askd:8A=\xB5s:Unit > "};
    Scratch s;
    {
        Locale l("C.UTF-8");
        const RunResult r = run_pty(s, steps, {{"Unit > {\xC2\xB5s} ", "\n"}});
        EXPECT_EQ(r.out, "\xC2\xB5s\n\xC2\xB1\nUnit > {\xC2\xB5s} \n=> [\xC2\xB5s]\n");
        // typed in UTF-8: readline shows it as typed, the program shows it back the same
        const RunResult t = run_pty(s, steps, {{"Unit > {\xC2\xB5s} ", "\xC2\xB5m\n"}});
        EXPECT_EQ(t.out, "\xC2\xB5s\n\xC2\xB1\nUnit > {\xC2\xB5s} \xC2\xB5m\n=> [\xC2\xB5m]\n");
        const RunResult p = run_piped(s, steps, "\n");
        EXPECT_NE(p.out.find("\xB5s\n\xB1\n"), std::string::npos) << p.out;
        EXPECT_EQ(p.out.find('\xC2'), std::string::npos) << p.out;
        const RunResult d = run_pty(s, {"locale", "cp437", "say:\xE6s \xF1"}, {});
        EXPECT_EQ(d.out, "\xC2\xB5s \xC2\xB1\n");
    }
    Locale l("C");
    const RunResult r = run_pty(s, steps, {{"Unit > {\xB5s} ", "\n"}});
    EXPECT_EQ(r.out, "\xB5s\n\xB1\nUnit > {\xB5s} \n=> [\xB5s]\n");
}

// The browser's listing, text and "topic? " prompt carry the same characters.
TEST(Screen, HelpBrowser)
{
    Scratch s;
    s.write("users.hlp", "1 ZEIT_\xB5S\n Times in \xB5s.\n2 SUB\n Below.\n");
    ::setenv("VULHELP", s.dir.c_str(), 1);
    const std::vector<Typed> typed{{"N > ", "??\n"}, {"topic? ", "z\n"},
                                   {"S topic? ", "\n"}, {"topic? ", "\n"}, {"N > ", "1\n"}};
    const std::string shown =
        "ZEIT_\xB5S" + std::string(13, ' ') + "\ntopic? z\nZEIT_\xB5S\n Times in \xB5s.\n\n"
        " Additional information available:\n\nSUB                 \nZEIT_\xB5S topic? \n\n"
        "topic? \nN > 1\n";
    {
        Locale l("C.UTF-8");
        const RunResult r = run_pty(s, {"locale", "ask:I:N > "}, typed);
        std::string want = shown;
        for (std::size_t at = 0; (at = want.find('\xB5', at)) != std::string::npos; at += 2)
            want.insert(at, 1, '\xC2');
        EXPECT_NE(r.out.find(want), std::string::npos) << r.out;
    }
    Locale l("C");
    const RunResult r = run_pty(s, {"locale", "ask:I:N > "}, typed);
    ::unsetenv("VULHELP");
    EXPECT_NE(r.out.find(shown), std::string::npos) << r.out;
}

}  // namespace
