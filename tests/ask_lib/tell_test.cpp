// tell_test.cpp -- message lines: element texts, braces, brackets, line limits.
#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <cstdint>
#include <string>

#include "tell.h"

namespace {

std::string built(std::span<const char> out) { return std::string(text_of(out)); }

template <class F>
std::string screen(F f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

TEST(Tell, WritesTextAndValuesBehindOneBlankItem)
{
    const std::int32_t n = -42;
    EXPECT_EQ(screen([&] { tell1("N = ", {"I", n}); }), "  N = -42 \n");
    const std::int32_t yes = 1;
    const float half = 0.5f;
    EXPECT_EQ(screen([&] { tell2("A", {"L", yes}, {"R", half}); }), "  AT, 0.5 \n");
    EXPECT_EQ(screen([] { tell0("Hello"); }), "  Hello \n");
    EXPECT_EQ(screen([] { tellbase("Hello  "); }), "  Hello   \n");  // trailing blanks kept
    EXPECT_EQ(screen([] { tell0(""); }), "");                          // nothing to write
    // The blank item counts as an item: a record whose line reaches 80 columns behind it
    // first ends the line holding the blank alone, as the free-form rule has it.
    const std::string a76(76, 'a'), a77(77, 'a');
    EXPECT_EQ(screen([&] { tell0(a76); }), "  " + a76 + " \n");       // 79 columns
    EXPECT_EQ(screen([&] { tell0(a77); }), "  \n " + a77 + " \n");    // would be 80
}

struct ShowCase { const char* what; std::string want; };

TEST(Tell, ElementTexts)
{
    const std::int32_t l1 = 1, i3[3] = {1, 2, 3}, one = 1;
    const std::int16_t k0 = 0, m = -7;
    const float half = 0.5f, r = -1234.567f, tiny = 0.00025f, big = 1.0e10f;
    const double d = 3.14159265358979;
    const std::complex<float> z(1.0f, 2.0f);
    const FText<6> abc("abc"), blank;
    std::array<char, 80> out;
    const ShowCase cases[] = {
        {"L", (tell2d("A", {"L", l1}, {"R", half}, out), built(out))},
        {"K M", (tell2d("", {"K", k0}, {"M", m}, out), built(out))},
        {"3I", (tell1d("", {"3I", i3}, out), built(out))},
        {"I", (tell1d("", {"I", one}, out), built(out))},
        {"R", (tell3d("", {"R", r}, {"R", tiny}, {"R", big}, out), built(out))},
        {"D", (tell1d("", {"D", d}, out), built(out))},
        {"C", (tell1d("", {"C", z}, out), built(out))},
        {"A", (tell2d("", {"6A", abc}, {"6A", blank}, out), built(out))},
        {"W", (tell1d("", {"6W", abc}, out), built(out))},
    };
    const char* want[] = {
        "A{T, 0.5}", "{F, -7}", "{[1, 2, 3]}", "{1}", "{-1.234567E3, 2.5E-4, 1.E10}",
        "{3.141593}", "{(1,2)}", "{abc, }", "{abc}",
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].want, want[i]) << cases[i].what;
}

TEST(Tell, BracedPromptText)
{
    const std::int32_t bins = 10;
    std::array<char, 20> out;
    out.fill('x');
    tell1d("Bins > ", {"I", bins}, out);
    EXPECT_EQ(std::string(out.data(), out.size()), "Bins > {10}         ");
    EXPECT_EQ(screen([&] { tell1d("Bins > ", {"I", bins}, out); }), "");
    // No room for the brace: the text alone.
    const std::string t130(130, 'p');
    std::array<char, 140> wide;
    tell1d(t130, {"I", bins}, wide);
    EXPECT_EQ(built(wide), t130);
}

TEST(Tell, NulsInTextsBecomeBlanks)
{
    std::array<char, 5> s = {'a', '\0', 'b', '\0', '\0'};
    std::array<char, 20> out;
    tell1d("", {"5S", std::span<char>(s)}, out);
    EXPECT_EQ(built(out), "{a b}");
    EXPECT_EQ(std::string(s.data(), s.size()), "a b  ");   // in the variable too
}

TEST(Tell, UnknownTypeSaysSoAndAddsNothing)
{
    const std::int32_t n = 5;
    std::array<char, 20> out;
    const std::string said = screen([&] { tell2d("", {"X", n}, {"I", n}, out); });
    EXPECT_EQ(said, "\n  *** TELL:  Type unrecognizable! ****\n\n");
    EXPECT_EQ(built(out), "{, 5}");
}

// A record of a blank item and a line of 78 or more characters: the free-form writer
// ends the line holding the blank item before the long one.
std::string record(const std::string& line)
{
    return line.size() >= 78 ? "  \n " + line + "\n" : "  " + line + "\n";
}

std::string repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

TEST(Tell, LongLinesStartAgain)
{
    // 40 integers of 5 digits: whenever the next one does not fit, the line so far goes out.
    std::array<std::int32_t, 40> v;
    v.fill(12345);
    EXPECT_EQ(screen([&] { tell1("V=", {"40I", v}); }),
              record("V=[" + repeat("12345, ", 18) + " ") + record(repeat("12345, ", 18) + " ") +
                  record(repeat("12345, ", 3) + "12345] "));

    // A value ending at position 130 leaves no room for ", ": the rest is dropped, with
    // the message before the second value only.
    const std::string t120(120, 't');
    const FText<9> nine("123456789");
    const std::int32_t one = 1;
    EXPECT_EQ(screen([&] { tell3(t120, {"9A", nine}, {"I", one}, {"I", one}); }),
              " TELL: (pos+2 .gt. len(line)) 130 131\n" + record(t120 + "123456789 "));
    std::array<char, 140> out;
    screen([&] { tell2d(std::string(119, 't'), {"9A", nine}, {"I", one}, out); });
    EXPECT_EQ(built(out), std::string(119, 't') + "{123456789");   // no closing brace

    // A text longer than the line is cut to it.
    const FText<200> huge(std::string(200, 'h'));
    EXPECT_EQ(screen([&] { tell1("x", {"200A", huge}); }),
              record("x ") + record(std::string(131, 'h')));
}

TEST(TellSetstr, NumberTexts)
{
    std::array<char, 32> buf;
    EXPECT_EQ(setstr_i(buf, -2147483647 - 1), 11);
    EXPECT_EQ(std::string(buf.data(), 12), "-2147483648 ");
    EXPECT_EQ(setstr_l(buf, false), 1);
    EXPECT_EQ(buf[0], 'F');
    EXPECT_EQ(setstr_r(buf, 3.14159265f, 6), 8);
    EXPECT_EQ(std::string(buf.data(), 8), "3.141593");
    EXPECT_EQ(setstr_c(buf, {0.5f, -1.0f}, 5), 8);
    EXPECT_EQ(std::string(buf.data(), 8), "(0.5,-1)");
}

}  // namespace
