// askif.cpp -- yes/no, replacement and file-name questions over the question engine.
// Each one asks again until its answer makes sense; the end of input gives the empty answer.

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "askif.h"
#include "askq.h"
#include "chars.h"
#include "fio.h"
#include "numtext.h"
#include "tell.h"

namespace {

void please_answer()
{
    fio_list(fio_stdout, {"Please answer Y or N."});
    ask_refused("not Y or N");
}

// replace on four bytes that hold an integer ("I") or a single real ("R").
void replace_4(std::string_view prompt, const void* iold, void* inew, std::string_view type)
{
    fio_write(fio_stdout, "(1X,A,$)", {prompt});
    const char t = type.empty() ? ' ' : type[0];
    FText<32> text;
    if (t == 'I') {
        std::int32_t v = 0;
        std::memcpy(&v, iold, 4);
        text = fio_format1("(I14)", {v});
    } else if (t == 'R') {
        float v = 0.0f;
        std::memcpy(&v, iold, 4);
        text = realtoch_v(v, 11, 7);
    } else {
        fio_write(fio_stdout, "('*** UNDEFINED TYPE \"',A1,'\" ***')", {t});
        std::memmove(inew, iold, 4);
        return;
    }
    const int n = nospaces(text.span());
    fio_write(fio_stdout, "(1X,'[',A,']',$)", {text.full().substr(0, static_cast<std::size_t>(n))});
    ask1(": ", {type, std::span<std::byte>(static_cast<std::byte*>(inew), 4)});
}

}  // namespace

bool ask_if(std::string_view prompt)
{
    for (;;) {
        std::array<char, 4> answer{};
        ask1(prompt, {"4S", answer});
        const char c = answer[0];
        if (c == 'Y' || c == 'y') return true;
        if (c == ' ' || c == 'N' || c == 'n') return false;
        please_answer();
    }
}

bool ask_ifd(std::string_view prompt, bool& flag)
{
    for (;;) {
        FText<4> answer(flag ? "Y" : "N");
        ask1d(prompt, {"4A", answer});
        const char c = answer.at1(1);
        if (c == 'Y' || c == 'y') return flag = true;
        if (c == 'N' || c == 'n') return flag = false;
        if (c == ' ') return flag;
        please_answer();
    }
}

void replace(std::string_view prompt, const std::int32_t& iold, std::int32_t& inew,
             std::string_view type)
{
    replace_4(prompt, &iold, &inew, type);
}

void replace(std::string_view prompt, const float& iold, float& inew, std::string_view type)
{
    replace_4(prompt, &iold, &inew, type);
}

void creplace(std::string_view prompt, std::string_view cold, std::span<char> cnew)
{
    const std::string old(cold);                    // cold may be cnew itself
    std::string shown = fio_format1("(A,' [',A,'] >')", {text_of(prompt), text_of(old)});
    shown.resize(std::min<std::size_t>(shown.size(), 80));
    const int len = static_cast<int>(std::min<std::size_t>(cnew.size(), 999));
    const std::string type = fio_format1("(I3.3,'A')", {len});
    std::vector<char> answer(std::max<std::size_t>(128, cnew.size()), ' ');
    int ls = 0;
    ask1s(text_of(shown), {type, answer}, ls);
    if (ls > 0)
        put_text(cnew, {answer.data(), static_cast<std::size_t>(len)});
    else
        put_text(cnew, old);
}

void askfile(std::string_view prompt, int unit, std::string_view mode, int& istat)
{
    std::array<char, 132> name{};
    int ls = 0;
    ask1s(prompt, {"132S", name}, ls);
    istat = 1;
    if (ls == 0) return;
    fio_close(unit);
    const char m = mode.empty() ? ' ' : mode[0];
    const std::string_view path = text_of(name);
    // An unknown mode opens nothing, and says so like a failed open (without a reason).
    const int err = m == 'R'   ? fio_open(unit, path, FStatus::old)
                    : m == 'U' ? fio_open(unit, path, FStatus::unknown)
                    : m == 'W' ? fio_open_whole(unit, path)
                               : -1;
    if (err != 0) {
        if (err > 0)
            tell0("Could not open file " + std::string(path) + " (" + std::strerror(err) + ")");
        else
            tell1("Could not open file ", {"132A", name});
        istat = -1;
        return;
    }
    istat = 0;
}

bool askfile_commit(int unit)
{
    const std::string name(fio_name(unit));
    const int err = fio_commit(unit);
    if (err == 0) return true;
    fio_write(fio_stdout, "('  Could not write file ',A,' (',A,')')", {name, std::strerror(err)});
    return false;
}
