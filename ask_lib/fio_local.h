// fio_local.h -- the unit table behind fio.h, shared by fio.cpp (units, layouts) and
// fio_whole.cpp (whole-file rewrites); no file outside ask_lib includes it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "fio.h"

namespace fio_detail {

enum class Last : unsigned char { none, read, write };

struct Unit {
    std::FILE* f = nullptr;
    std::string name;           // path as opened; empty for the standard streams
    bool owned = false;         // we opened it and must close it
    bool writable = false;
    bool readable = false;
    bool rewrite = false;       // next write cuts the file at the current position
    Last last = Last::none;     // a stdio stream needs a seek between reading and writing
    int err = 0;                // errno of the first failed write; 0 while all went well
    bool whole = false;         // an uncommitted whole-file rewrite (fio_whole.cpp owns it)
    bool writes = false;        // opened to be written, or written since: replacing its file
                                // would send the unit's lines nowhere
    int ro_why = 0;             // why a file opened OLD was opened for reading only (the
                                // errno of the write open); a write then fails with it
};

// The connected unit, nullptr when it is closed or outside 0..99.
Unit* unit_of(int unit);
// The table entry of a unit in 0..99, connected or not.
Unit& unit_slot(int unit);
// Flushes the unit's stream and gives its first write error as its errno, kept on the unit
// (a later write would not know the reason); 0 while the stream is sound.
int flush_error(Unit& u);
// The name of the file a unit is opened on: path without the blanks and NULs that pad a
// text field.
std::string unit_path(std::string_view path);
// Ends an uncommitted whole-file rewrite: the unit is closed, its temporary removed and the
// file left as it was.
void whole_drop(int unit);

}  // namespace fio_detail
