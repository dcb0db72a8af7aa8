// mnout.h -- the engine's printed lines: one field builder and one writer to ISYSWR.
// The MIGRAD step in fit/ prints through these too, so all of the engine's output has one door.
#pragma once

#include <string>
#include <string_view>

// A printed line under construction; fields follow Fortran edit layouts.
struct MnLine {
    std::string s;
    MnLine& a(std::string_view t) { s += t; return *this; }         // 'text' / A
    MnLine& x(int n) { s.append(static_cast<std::size_t>(n), ' '); return *this; }  // nX
    MnLine& i(long v, int w);                                      // Iw
    MnLine& f(double v, int w, int d);                             // Fw.d
    MnLine& e(double v, int w, int d);                             // Ew.d
    MnLine& g(double v, int w, int d);                             // Gw.d
    MnLine& aw(std::string_view t, int w);                         // Aw
};


// Write one line on ISYSWR.
void mnput(std::string_view line);
inline void mnput(const MnLine& ln) { mnput(ln.s); }

// Values in Gw.d fields, 10 to a line after one blank, the first line led by lead
// when given (the layouts (A,(1X,10Gw.d)) and (1X,10Gw.d)).
void mn_put_values(const char* lead, const double v[], int count, int w, int d);

