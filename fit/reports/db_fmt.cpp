// db_fmt.cpp -- DB file rows: every column a value with its errors, as free-form text or
// fixed columns, continued over lines; the fit's plot writes its DB files through here.
#include "db_fmt.h"

#include <algorithm>
#include <cstddef>

#include "chars.h"
#include "fio.h"
#include "numtext.h"

namespace {

constexpr int maxlen = 128;            // usable line length
constexpr int break_after = maxlen - 39;  // a row goes on past this position on a new line
constexpr int max_remark = maxlen - 1;

DbLine line;  // blank between rows
int nch = 1;  // next position to write, from 1

// Puts text at position at (from 1); nothing past the buffer.
void put_at(int at, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int pos = at + static_cast<int>(i);
        if (pos >= 1 && pos <= db_line_chars) line.at1(static_cast<std::size_t>(pos)) = text[i];
    }
}

// The last non-blank position of the line, 0 when it is blank.
int last_significant() { return static_cast<int>(line.trimmed().size()); }

// Free form: the text at nch, then "," and a blank; nch is left where the next text goes.
void free_field(std::string_view text)
{
    put_at(nch, text);
    const int t = last_significant();
    put_at(t + 1, ",  ");
    nch = t + 3;
}

void free_column(const float* c)
{
    free_field(realtoch_v(c[0], 11, 8).trimmed());
    free_field(realtoch_v(c[1], 9, 6).trimmed());
    if (c[2] == c[1]) nch += 2;  // equal errors leave the minus field empty
    else free_field(realtoch_v(c[2], 9, 6).trimmed());
    put_at(nch - 2, ",  ");
}

void fixed_column(const float* c)
{
    const int p = nch;
    put_at(p, realtoch_f(c[0], 11, 8).full().substr(0, 11));
    put_at(p + 14, realtoch_f(c[1], 9, 6).full().substr(0, 9));
    put_at(p + 25, realtoch_f(c[2], 9, 6).full().substr(0, 9));
    nch = p + 38;
}

// The remark's significant length; 0 when it is left out.
int remark_length(std::string_view remark)
{
    if (remark.empty() || remark.front() == '\0') return 0;
    int n = static_cast<int>(std::min<std::size_t>(remark.size(), 1000));
    trim_blnk(n, remark);
    return std::min(n, max_remark);
}

}  // namespace

void db_fmt_writeline(DbLine& buf, int& next, int lun)
{
    if (next > 1) {
        const int n = std::min(next - 1, db_line_chars);
        fio_write(lun < 0 ? fio_stdout : lun, "(A)", {buf.full().substr(0, static_cast<std::size_t>(n))});
    }
    buf = "";
    next = 1;
}

void db_fmt(int lun, int n, std::span<const float> xdx, std::string_view remark, int fixed)
{
    line = "";
    nch = 1;
    n = std::min(n, static_cast<int>(xdx.size() / 3));
    for (int k = 1; k <= n; ++k) {
        const float* c = xdx.data() + 3 * (k - 1);
        if (fixed == 0) free_column(c);
        else fixed_column(c);
        if (nch > break_after && k < n) {
            if (fixed == 0) {
                put_at(nch, "\\");
                ++nch;  // the line ends with its "\"
            }
            db_fmt_writeline(line, nch, lun);
        }
    }
    const int len = remark_length(remark);
    if (len > 0) {
        if (nch + 1 > maxlen - len && nch > 1) {  // a line of one blank would end the data
            if (fixed != 0) put_at(nch, "\\");
            ++nch;  // through position nch
            db_fmt_writeline(line, nch, lun);
        }
        put_at(nch + 1, remark.substr(0, static_cast<std::size_t>(len)));
        nch += len + 1;
    }
    db_fmt_writeline(line, nch, lun);
}
