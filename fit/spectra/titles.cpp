// titles.cpp -- spectrum titles from the loaded run, and the sign characters.
// One body builds every title; the four entries differ only in the tag.
#include "titles.h"

#include <algorithm>
#include <string>

#include "ask.h"
#include "run_records.h"

namespace {

constexpr int work_len = 110;  // the work field; the title keeps its first 100

enum class Tag { none, one, two, four };

// The histogram title for a tag: up to its last character that is neither blank nor
// NUL, at least one; a blank for a number the run has no header for.
std::string htitle_of(int h)
{
    if (h < 1 || h > max_run_hists) return " ";
    const std::string_view t = histhdrs.htitle(h).full();
    return std::string(t.substr(0, static_cast<std::size_t>(chtrim(t))));
}

std::string tag_text(Tag kind, const int* h)
{
    switch (kind) {
    case Tag::none: return {};
    case Tag::one:
        if (h[0] == 0) return {};
        return fio_format1("(' [H',I2,': ',A,']')", {h[0], htitle_of(h[0])});
    case Tag::two:
        if (h[0] == 0) return {};
        if (h[1] == 0) return tag_text(Tag::one, h);
        return h[0] <= 9 ? fio_format1("(' [',I1,' vs',I2,'] ASY')", {h[0], h[1]})
                         : fio_format1("(' [',I2,'vs',I2,'] ASY')", {h[0], h[1]});
    case Tag::four: {
        if (h[0] == 0) return {};
        FText<20> nums(fio_format1("(I2,3(',',I2))", {h[0], h[1], h[2], h[3]}));
        const int n = nospaces(nums.span());
        const std::string_view compact = nums.full().substr(0, static_cast<std::size_t>(n));
        return fio_format1("(' (',A,') RRF')", {compact});
    }
    }
    return {};
}

// Run number in 1-6, ": ", the run title from 9; then the tag one blank after the run
// title, cut to the work field (a run title reaching past 100 leaves it no room).
void build_title(Tag kind, const int* h)
{
    FText<work_len> work;
    int ndig = 0;
    btd(runheader.runNumber, work.span().first(6), 6, ndig, ' ');
    work.at1(7) = ':';
    work.at1(8) = ' ';
    std::copy_n(runheader.title.c.begin(), work_len - 8, work.c.begin() + 8);
    cspectctrl.title = work.full().substr(0, 100);

    const std::string tag = tag_text(kind, h);
    const int p = chtrim(runheader.title.full()) + 10;  // 1-based start of the tag
    if (!tag.empty() && p <= work_len) {
        const auto room = static_cast<std::size_t>(work_len - p + 1);
        std::copy_n(tag.begin(), std::min(room, tag.size()), work.c.begin() + (p - 1));
    }
    cspectctrl.title = work.full().substr(0, 100);
}

}  // namespace

void set_characters(int iset)
{
    switch (iset) {
    case 1: spchars = {1, std::string_view("\xB1"), '\xB5'}; break;
    case 2: spchars = {1, std::string_view("\xF1"), '\xE6'}; break;
    default: spchars = {3, std::string_view("+/-"), 'u'}; break;
    }
    fio_made_in(iset == 2 ? FCharset::cp437 : FCharset::latin1);  // ASCII is Latin-1's start
}

void vul_title()
{
    cspectctrl.title = std::string_view();
    build_title(Tag::none, nullptr);
}

void vul_title1(int h)
{
    const int hs[] = {h, 0, 0, 0};
    build_title(Tag::one, hs);
}

void vul_title2(int h1, int h2)
{
    const int hs[] = {h1, h2, 0, 0};
    build_title(Tag::two, hs);
}

void vul_title4(int h1, int h2, int h3, int h4)
{
    const int hs[] = {h1, h2, h3, h4};
    build_title(Tag::four, hs);
}
