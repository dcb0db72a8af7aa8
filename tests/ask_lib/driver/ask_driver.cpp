// ask_driver.cpp -- puts the questions named on its command line and prints what they stored.
// Each argument is one step:
//   ask:TYPES:PROMPT    plain question; TYPES like "I,I" or "3I,D,8A", each with "=init"
//   askd:TYPES:PROMPT   the shown form (current values in braces, kept on an empty field)
//   asks:TYPES:PROMPT   plain, and the answer length as "nch=N"
//   ask0:PROMPT         no fields
//   file:NAME           set_ask_file        indir:FLAG,UNIT   set_ask_indir
//   unit:UNIT:NAME      opens NAME on UNIT  echo:FLAG         set_ask_echo
//   eof  interact       print the flag      repeat:N:STEP     STEP up to N times, until eof
//   help:DIR,LIB        init_help
//   if:PROMPT  ifd:T|F:PROMPT  replace:I|R:OLD:PROMPT  creplace:OLD:PROMPT  askfile:MODE:PROMPT
//   cmli:W1/W2/..:TYPES:PROMPT   a table of 8-character entries ("" blank, "-" no table)
//   cmliopt:UPPER,ABBREV,INDIR
//   locale   the character type from the environment, as the program sets it at its start
//   say:TEXT  sayerr:TEXT   TEXT as one line on unit 6, on unit 0
//   cp437     texts made in code page 437 from now on
//   failend:STATUS:REASON  ask_fail_at_end   stop:STATUS  ask_stop   fail:REASON  ask_fail
//   line      the last logical answer line, as "line=[...]" without its trailing blanks
// After each question the values are printed as "=> v1|v2|...".

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ask.h"
#include "askq_local.h"
#include "fio.h"

namespace {

struct Field {
    std::string type;            // as given to the question, e.g. "3I"
    int code = 0, count = 1;
    std::vector<int> i;
    std::vector<double> d;
    std::vector<char> a;
};

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = s.find(sep, from);
        out.push_back(s.substr(from, at - from));
        if (at == std::string::npos) return out;
        from = at + 1;
    }
}

std::vector<Field> make_fields(const std::string& types)
{
    std::vector<Field> fs;
    for (const std::string& t : split(types, ',')) {
        Field f;
        const std::size_t eq = t.find('=');
        f.type = t.substr(0, eq);
        const std::string init = eq == std::string::npos ? "" : t.substr(eq + 1);
        gettype(f.type, f.code, f.count);
        const auto n = static_cast<std::size_t>(f.count);
        if (f.code == type_i) f.i.assign(n, std::atoi(init.c_str()));
        else if (f.code == type_d) f.d.assign(n, std::atof(init.c_str()));
        else {
            f.a.assign(static_cast<std::size_t>(f.count), ' ');
            std::copy_n(init.begin(), std::min(init.size(), f.a.size()), f.a.begin());
        }
        fs.push_back(std::move(f));
    }
    return fs;
}

std::vector<Val> vals_of(std::vector<Field>& fs)
{
    std::vector<Val> v;
    for (Field& f : fs) {
        if (f.code == type_i) v.emplace_back(f.type, f.i);
        else if (f.code == type_d) v.emplace_back(f.type, f.d);
        else v.emplace_back(f.type, f.a);
    }
    return v;
}

void print(const std::vector<Field>& fs, int nch, bool with_nch)
{
    std::string out = "=>";
    for (std::size_t k = 0; k < fs.size(); ++k) {
        const Field& f = fs[k];
        out += k == 0 ? " " : "|";
        char buf[64];
        for (std::size_t e = 0; e < f.i.size(); ++e) {
            std::snprintf(buf, sizeof buf, "%s%d", e ? " " : "", f.i[e]);
            out += buf;
        }
        for (std::size_t e = 0; e < f.d.size(); ++e) {
            std::snprintf(buf, sizeof buf, "%s%.10g", e ? " " : "", f.d[e]);
            out += buf;
        }
        if (!f.a.empty()) out += "[" + std::string(text_of(f.a)) + "]";
    }
    if (with_nch) out += " nch=" + std::to_string(nch);
    fio_write(fio_stdout, "(A)", {out});
}

void step(const std::string& arg)
{
    const std::size_t c1 = arg.find(':');
    const std::string kind = arg.substr(0, c1);
    const std::string rest = c1 == std::string::npos ? "" : arg.substr(c1 + 1);
    if (kind == "ask" || kind == "askd" || kind == "asks") {
        const std::size_t c2 = rest.find(':');
        std::vector<Field> fs = make_fields(rest.substr(0, c2));
        const std::vector<Val> v = vals_of(fs);
        int nch = -1;
        baseask(rest.substr(c2 + 1), v, kind == "askd" ? AskForm::shown : AskForm::plain,
                kind == "asks" ? &nch : nullptr);
        print(fs, nch, kind == "asks");
    } else if (kind == "ask0") {
        ask0(rest);
    } else if (kind == "file") {
        set_ask_file(rest);
    } else if (kind == "indir") {
        const std::vector<std::string> a = split(rest, ',');
        set_ask_indir(std::atoi(a[0].c_str()), std::atoi(a.at(1).c_str()));
    } else if (kind == "unit") {
        const std::size_t c2 = rest.find(':');
        fio_open(std::atoi(rest.substr(0, c2).c_str()), rest.substr(c2 + 1), FStatus::old);
    } else if (kind == "echo") {
        set_ask_echo(std::atoi(rest.c_str()));
    } else if (kind == "help") {
        const std::vector<std::string> a = split(rest, ',');
        init_help(a[0], a.at(1), "");
    } else if (kind == "if") {
        fio_write(fio_stdout, "('=> ',L1)", {ask_if(rest)});
    } else if (kind == "ifd") {
        bool flag = rest[0] == 'T';
        const bool got = ask_ifd(rest.substr(2), flag);
        fio_write(fio_stdout, "('=> ',L1,1X,L1)", {got, flag});
    } else if (kind == "replace") {
        const std::vector<std::string> a = split(rest, ':');
        if (a[0] == "R") {
            const float old = std::strtof(a[1].c_str(), nullptr);
            float got = -1.0f;
            replace(a[2], old, got, a[0]);
            fio_list(fio_stdout, {"=>", got});
        } else {
            const std::int32_t old = std::atoi(a[1].c_str());
            std::int32_t got = -1;
            replace(a[2], old, got, a[0]);
            fio_list(fio_stdout, {"=>", got});
        }
    } else if (kind == "creplace") {
        const std::size_t c2 = rest.find(':');
        FText<80> name(rest.substr(0, c2));
        creplace(rest.substr(c2 + 1), name.full(), name.span());
        fio_write(fio_stdout, "('=> [',A,']')", {name.trimmed()});
    } else if (kind == "askfile") {
        const std::size_t c2 = rest.find(':');
        int istat = 9;
        askfile(rest.substr(c2 + 1), 40, rest.substr(0, c2), istat);
        fio_write(fio_stdout, "('=> istat=',I0,' open=',L1)", {istat, fio_is_open(40)});
    } else if (kind == "cmli") {
        const std::vector<std::string> a = split(rest, ':');
        std::string table;
        const std::vector<std::string> words = split(a[0], '/');
        for (const std::string& w : words) table += (w + std::string(8, ' ')).substr(0, 8);
        std::vector<Field> fs = a[1].empty() ? std::vector<Field>{} : make_fields(a[1]);
        const std::vector<Val> v = vals_of(fs);
        int icmd = -1;
        const int ncmd = a[0] == "-" ? 0 : static_cast<int>(words.size());
        basecmli(a[2], ncmd, -8, table, icmd, v);
        fio_write(fio_stdout, "('icmd=',I0)", {icmd});
        if (!fs.empty()) print(fs, 0, false);
    } else if (kind == "cmliopt") {
        const std::vector<std::string> a = split(rest, ',');
        cmli_upper(std::atoi(a[0].c_str()));
        cmli_abbrev(std::atoi(a.at(1).c_str()));
        cmli_indir_ok(std::atoi(a.at(2).c_str()));
    } else if (kind == "locale") {
        std::setlocale(LC_CTYPE, "");
    } else if (kind == "say" || kind == "sayerr") {
        fio_write(kind == "say" ? fio_stdout : fio_stderr, "(A)", {rest});
    } else if (kind == "cp437") {
        fio_made_in(FCharset::cp437);
    } else if (kind == "eof") {
        fio_write(fio_stdout, "('eof=',L1)", {ask_eof()});
    } else if (kind == "line") {
        fio_write(fio_stdout, "('line=[',A,']')", {line_part(1, line_last())});
    } else if (kind == "interact") {
        fio_write(fio_stdout, "('interact=',L1)", {interact()});
    } else if (kind == "failend") {
        const std::size_t c2 = rest.find(':');
        ask_fail_at_end(rest.substr(c2 + 1),
                        static_cast<AskEndStatus>(std::atoi(rest.substr(0, c2).c_str())));
    } else if (kind == "stop") {
        ask_stop(std::atoi(rest.c_str()));
    } else if (kind == "fail") {
        ask_fail(rest);
    } else if (kind == "repeat") {
        const std::size_t c2 = rest.find(':');
        const int n = std::atoi(rest.substr(0, c2).c_str());
        for (int k = 0; k < n && !ask_eof(); ++k) step(rest.substr(c2 + 1));
    } else {
        std::fprintf(stderr, "ask_driver: unknown step %s\n", arg.c_str());
        std::exit(2);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    for (int k = 1; k < argc; ++k) step(argv[k]);
    fio_close_all();
    return 0;
}
