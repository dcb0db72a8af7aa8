// cmli.cpp -- the command-table interpreter behind every command dialog.
// A word is matched against the table (prefixes allowed); "?" lists the table, HELP browses.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "askq_local.h"
#include "chars.h"
#include "cmli.h"
#include "fio.h"
#include "help.h"

namespace {

// Entry k (from 1) of the table, blank where the table text runs short.
std::string entry(std::string_view cmdtab, int len, int k)
{
    std::string e(static_cast<std::size_t>(len), ' ');
    const std::size_t from = static_cast<std::size_t>(k - 1) * static_cast<std::size_t>(len);
    if (from < cmdtab.size()) {
        const std::string_view part = cmdtab.substr(from, static_cast<std::size_t>(len));
        std::copy(part.begin(), part.end(), e.begin());
    }
    return e;
}

// The table, as many entries to a 72-column line as fit at a pitch of len + 2.
void list_table(std::string_view cmdtab, int ncmd, int len)
{
    fio_write(fio_stdout, "(1X,I2,' CMLI Commands:')", {ncmd});
    const int pitch = len + 2;
    const int per_line = std::max(1, 72 / pitch);
    for (int k = 1; k <= ncmd; k += per_line) {
        std::string line(72, ' ');
        for (int c = 0; c < per_line && k + c <= ncmd; ++c) {
            const std::string e = entry(cmdtab, len, k + c);
            const std::size_t at = static_cast<std::size_t>(c * pitch);
            line.replace(at, std::min(e.size(), 72 - at), e, 0, std::min(e.size(), 72 - at));
        }
        fio_write(fio_stdout, "(1X,A)", {line});
    }
    fio_write(fio_stdout, "('  ')");
}

// The message on the screen; its text is returned for a stop's reason.
std::string unrecognized(std::string_view word, int len)
{
    constexpr std::string_view layout = "(' *** CMLI -- Unrecognized Command \"',8A1,'\"',/)";
    std::vector<FVal> chars;
    for (int k = 0; k < std::min(len, 8); ++k) chars.emplace_back(word[static_cast<std::size_t>(k)]);
    fio_write(fio_stdout, layout, chars);
    return fio_text(layout, chars);
}

}  // namespace

void basecmli(std::string_view prompt, int ncmd, int cmdlen, std::string_view cmdtab,
              int& icmd, std::span<const Val> v)
{
    icmd = 0;
    if (ncmd < 1) return;
    const int stride = std::abs(cmdlen);
    const int len = std::clamp(stride, 1, 80);             // the word buffer holds 80
    const std::string type = fio_format1("(I3,'W')", {len});
    for (;;) {
        std::array<char, 80> word{};
        word.fill(' ');
        std::vector<Val> fields{Val(type, word)};
        fields.insert(fields.end(), v.begin(), v.end());
        parse_push_delims(",");
        baseask(prompt, fields, AskForm::plain, nullptr);
        parse_pop_delims();
        const std::string_view w(word.data(), static_cast<std::size_t>(len));
        const int n = std::max(1, len - static_cast<int>(std::count(w.begin(), w.end(), ' ')));
        if (cmli_options.upper != 0) case_upper(n, word);
        const std::string_view first4(word.data(), 4);
        const bool batch = loc_batch();
        if (first4 == "?   " && !batch) {
            list_table(cmdtab, ncmd, stride);
            continue;
        }
        if (first4 == "HELP" && !batch) {
            help(cb_ask_help.dir.full(), cb_ask_help.lib.full(), cb_ask_help.topic.full());
            continue;
        }
        if (first4 != "?   " && first4 != "HELP") {
            const std::size_t cmp = static_cast<std::size_t>(cmli_options.abbrev != 0 ? n : len);
            for (int k = 1; k <= ncmd; ++k) {
                if (entry(cmdtab, stride, k).compare(0, cmp, w, 0, cmp) == 0) {
                    icmd = k;
                    return;
                }
            }
        }
        const std::string why = unrecognized(w, len);
        if (ask_unattended()) ask_fail(why);
        if (cmli_options.indir_ok == 0) drop_ask_indir();
    }
}

void cmli_help(std::string_view dir, std::string_view lib, std::string_view topic)
{
    init_help(dir, lib, topic);
}

void cmli_upper(int flag) { cmli_options.upper = flag; }
void cmli_abbrev(int flag) { cmli_options.abbrev = flag; }
void cmli_indir_ok(int flag) { cmli_options.indir_ok = flag; }
