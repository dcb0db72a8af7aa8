// cmli.h -- the command-table interpreter: a command word matched against a dialog's table,
// with its argument fields on the same line, "?" listings and HELP.
#pragma once

#include <span>
#include <string_view>

#include "parse.h"

// Options of every command dialog, for the life of the process.
struct CmliOptions {
    int upper = 1;      // upper-case the word before matching
    int abbrev = 1;     // a prefix of an entry selects it
    int indir_ok = 0;   // an unknown word leaves indirect input open
};
inline CmliOptions cmli_options;

// One dialog step: asks prompt, reads a command word (and the fields v after it, separated
// by commas) and sets icmd to the number (from 1) of the matching entry of cmdtab, which
// holds ncmd entries of |cmdlen| characters one after another (a blank entry stands for the
// empty line). Returns only with a match, or with icmd 0 when ncmd is below 1. An unknown
// word is asked again at the keyboard and stops the program in batch.
void basecmli(std::string_view prompt, int ncmd, int cmdlen, std::string_view cmdtab,
              int& icmd, std::span<const Val> v);

inline void cmli0(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, {}); }
inline void cmli1(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a)
    { const Val v[] = {a}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli2(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b)
    { const Val v[] = {a, b}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli3(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c)
    { const Val v[] = {a, b, c}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli4(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d)
    { const Val v[] = {a, b, c, d}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli5(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e)
    { const Val v[] = {a, b, c, d, e}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli6(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f)
    { const Val v[] = {a, b, c, d, e, f}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli7(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f, const Val& g)
    { const Val v[] = {a, b, c, d, e, f, g}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli8(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f, const Val& g, const Val& h)
    { const Val v[] = {a, b, c, d, e, f, g, h}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli9(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f, const Val& g, const Val& h, const Val& j)
    { const Val v[] = {a, b, c, d, e, f, g, h, j}; basecmli(p, ncmd, cmdlen, cmdtab, icmd, v); }
inline void cmli10(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli11(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli12(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli13(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m, n};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli14(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m, n, o};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli15(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m, n, o, q};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli16(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli17(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r, const Val& s)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r, s};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli18(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r, const Val& s, const Val& t)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r, s, t};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}
inline void cmli19(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r, const Val& s, const Val& t, const Val& u)
{
    const Val v[] = {a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r, s, t, u};
    basecmli(p, ncmd, cmdlen, cmdtab, icmd, v);
}

// The help settings HELP uses (same effect as init_help).
void cmli_help(std::string_view dir, std::string_view lib, std::string_view topic);
void cmli_upper(int flag);
void cmli_abbrev(int flag);
void cmli_indir_ok(int flag);
