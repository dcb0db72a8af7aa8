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
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a)); }
inline void cmli2(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b)); }
inline void cmli3(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c)); }
inline void cmli4(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d)); }
inline void cmli5(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e)); }
inline void cmli6(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f)); }
inline void cmli7(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f, const Val& g)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g)); }
inline void cmli8(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f, const Val& g, const Val& h)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g, h)); }
inline void cmli9(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                  const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                  const Val& f, const Val& g, const Val& h, const Val& j)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g, h, j)); }
inline void cmli10(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g, h, j, k)); }
inline void cmli11(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g, h, j, k, l)); }
inline void cmli12(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g, h, j, k, l, m)); }
inline void cmli13(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g, h, j, k, l, m, n)); }
inline void cmli14(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd, val_list(a, b, c, d, e, f, g, h, j, k, l, m, n, o)); }
inline void cmli15(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd,
               val_list(a, b, c, d, e, f, g, h, j, k, l, m, n, o, q)); }
inline void cmli16(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd,
               val_list(a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r)); }
inline void cmli17(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r, const Val& s)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd,
               val_list(a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r, s)); }
inline void cmli18(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r, const Val& s, const Val& t)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd,
               val_list(a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r, s, t)); }
inline void cmli19(std::string_view p, int ncmd, int cmdlen, std::string_view cmdtab, int& icmd,
                   const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
                   const Val& f, const Val& g, const Val& h, const Val& j, const Val& k,
                   const Val& l, const Val& m, const Val& n, const Val& o, const Val& q,
                   const Val& r, const Val& s, const Val& t, const Val& u)
    { basecmli(p, ncmd, cmdlen, cmdtab, icmd,
               val_list(a, b, c, d, e, f, g, h, j, k, l, m, n, o, q, r, s, t, u)); }

// The help settings HELP uses (same effect as init_help).
void cmli_help(std::string_view dir, std::string_view lib, std::string_view topic);
void cmli_upper(int flag);
void cmli_abbrev(int flag);
void cmli_indir_ok(int flag);
