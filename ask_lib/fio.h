// fio.h -- numbered I/O units, Fortran edit layouts and free-form (list-directed) lines.
// The one place where the whole system turns values into printed lines; not thread-safe.
//
//   Units 0..99; 0 is standard error, 5 standard input, 6 standard output from the start.
//     fio_open(7, "fit.ans", FStatus::unknown)   0, or an errno value (ENOENT, EEXIST, ...)
//     fio_close(7); fio_rewind(7); fio_is_open(7); fio_free_unit(82, 70)  (scans 82 down to 70)
//     fio_open_whole(7, "fit.ans"); ...; fio_commit(7)   all the lines or none replace the file
//     fio_file(7) is the unit's FILE* for callers with their own byte layout.
//   Layouts: a Fortran FORMAT text with its values, e.g.
//     fio_write(6, "(1X,A,I5,F12.4)", {"abc", 12, 3.5});
//     std::vector<std::string> v = fio_format("(1P,3E12.4)", {x, y, z});  // lines, no unit
//   Record reads: fio_read(5, rec) fills a fixed field (A80 style); 0, -1 at end of file.
//   Free-form lines: fio_list(6, {"CHI2 =", chi2, n});   // " CHI2 =  1.5 3"
#pragma once

#include <cstdio>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ftext.h"

// One value handed to a layout or a free-form line. Texts are viewed, not copied, so they must
// outlive the call (temporaries in the braced list do). A float keeps its single width, which
// only the free-form writer distinguishes.
class FVal {
public:
    enum class Kind : unsigned char { integer, real, text, logical };

    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
    FVal(T v) : kind_(Kind::integer), i_(saturate(v)) {}  // NOLINT: values convert freely
    FVal(double v) : kind_(Kind::real), r_(v) {}         // NOLINT
    FVal(float v) : kind_(Kind::real), single_(true), r_(v) {}  // NOLINT
    FVal(bool v) : kind_(Kind::logical), i_(v ? 1 : 0) {}  // NOLINT
    FVal(char c) : kind_(Kind::text), c_(c), one_(true) {} // NOLINT: a CHARACTER*1
    FVal(const char* s) : kind_(Kind::text), s_(s ? s : "") {}  // NOLINT
    FVal(std::string_view s) : kind_(Kind::text), s_(s) {}     // NOLINT
    FVal(const std::string& s) : kind_(Kind::text), s_(s) {}   // NOLINT
    template <std::size_t N>
    FVal(const FText<N>& t) : kind_(Kind::text), s_(t.full()) {}  // NOLINT: whole field, as A does

    Kind kind() const { return kind_; }
    bool single() const { return single_; }
    long long integer() const { return i_; }
    double real() const { return r_; }
    std::string_view text() const { return one_ ? std::string_view(&c_, 1) : s_; }

private:
    template <typename T>
    static long long saturate(T v)
    {
        if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(long long))
            return v > static_cast<T>(std::numeric_limits<long long>::max())
                       ? std::numeric_limits<long long>::max()
                       : static_cast<long long>(v);
        else
            return static_cast<long long>(v);
    }

    Kind kind_;
    bool single_ = false;  // came from a float
    char c_ = ' ';
    bool one_ = false;     // text is c_
    long long i_ = 0;
    double r_ = 0.0;
    std::string_view s_;
};

using FVals = std::span<const FVal>;

// ---- Units -------------------------------------------------------------------------------

constexpr int fio_max_unit = 99;
constexpr int fio_stderr = 0, fio_stdin = 5, fio_stdout = 6;

// OLD: the file must exist. NEW: it must not, and is created. UNKNOWN: an existing file is
// kept until the first write after opening (or rewinding), which rewrites it from there;
// a missing one is created. A file opened OLD that may not be written is opened for reading
// only (a write then fails, and fio_lost tells why); UNKNOWN and NEW refuse it (EACCES). A
// FIFO opened UNKNOWN or NEW is only written; the open waits for its reader.
enum class FStatus { unknown, old, new_file };

// Connects unit to the file path (trailing blanks dropped); a unit already open is closed
// first. Returns 0, or an errno value: EBADF for a unit outside 0..99, ENOENT (OLD, missing),
// EEXIST (NEW, present), EISDIR, EACCES, ...
int fio_open(int unit, std::string_view path, FStatus status = FStatus::unknown);
// Disconnects the unit (standard streams are flushed, never closed). Closing a closed unit
// is harmless.
void fio_close(int unit);
// Back to the first record; the next write rewrites the file from there.
void fio_rewind(int unit);
bool fio_is_open(int unit);
// The first unit from `from` towards `to` (either direction, both included) that is not
// open and not one of the fixed units (log 2, status 3, answer file 7, DB dump 80, which
// their owners open by number); -1 when there is none.
int fio_free_unit(int from, int to);
// The unit's stream, nullptr when it is not open. Bytes written here bypass the layouts but
// keep their order with them.
std::FILE* fio_file(int unit);
// The path the unit was opened on ("" for the standard streams and closed units).
std::string_view fio_name(int unit);
// Why lines written on the unit's file were lost (the errno of the first failed write, after
// its buffer is flushed): 0 while all went well, and for standard streams, closed units and
// uncommitted whole-file rewrites (which answer at fio_commit).
int fio_lost(int unit);
void fio_flush_all();
// Flushes one unit: 0, or the errno of its first failed write (whole-file rewrites too).
int fio_flush(int unit);

// ---- Whole-file rewrites -----------------------------------------------------------------
// Connects unit for writing path anew, whole or not at all. The lines go to a temporary
// beside the file (beside the file a symbolic link points to: the link stays and its target
// is rewritten), and fio_commit puts it in the file's place. Closing the unit before that
// (fio_close, fio_close_all, so also a stop by a signal) removes the temporary and leaves
// the file as it was. A name that is no regular file (a FIFO, a terminal) gets the lines
// in place at fio_commit; so does a writable file in a folder that takes no new file; a
// name of one of the process's own descriptors (/dev/stdout) gets them through that
// descriptor, where it stands (a transcript file goes on, not cut).
// A file that may not be written gives EACCES (it is not replaced, folder or not); one that
// another unit of the process writes (the log) gives EBUSY; units that only read it go on
// reading the old text.
// lock: an advisory lock (flock) that this process keeps on the file from now on; a file
// another process holds gives EWOULDBLOCK. 0, or an errno value (the reason).
int fio_open_whole(int unit, std::string_view path, bool lock = false);
// Whether path, its links followed, is a regular file or a name still free in a folder:
// false for a FIFO, a terminal, a device or a name of one of the process's own descriptors
// (/dev/stdout), which have no folder of their own beside them.
bool fio_in_folder(std::string_view path);
// Puts the lines written on unit in the file's place: 0, or why not (the write's own errno,
// e.g. ENOSPC, EFBIG), and then the file is as it was and the unit closed. keep_open leaves
// the unit connected to the file for further lines.
int fio_commit(int unit, bool keep_open = false);
// The temporary an uncommitted rewrite on unit writes to, for a writer that takes a file name
// rather than a unit (the plot library): it writes there, fio_commit puts the file in place.
// Empty when the unit is no such rewrite or its lines go in place (see fio_open_whole).
std::string_view fio_whole_temp(int unit);
// Several rewrites put in their places as one: every unit's lines are checked complete
// before any file is touched, and the regular files are put with the stop signals held
// back, so a signal finds them all old or all new. 0, or the reason with the unit in
// failed; then every unit is closed and the files not yet put are as they were (only a
// FIFO or terminal, written first, may already have its lines).
struct FioPut {
    int unit;
    bool keep_open;
};
int fio_commit_all(std::span<const FioPut> files, int& failed);
// For a stop signal's handler (async-signal-safe): removes every temporary of an uncommitted
// rewrite, and every placeholder a rewrite made for a new name while it is still empty, so
// the files are left as they were.
void fio_remove_temporaries() noexcept;
// Test sites of the rewrites: called just after a placeholder or a temporary is made and
// between the files of fio_commit_all, each while the stop signals are held (a signal
// raised there arrives as the hold ends).
enum FioWholeSite { fio_site_placeholder = 1, fio_site_temp = 2, fio_site_between = 3 };
inline void (*fio_whole_site)(FioWholeSite site) = nullptr;
// An advisory lock on the unit's file that this process keeps for the rest of its life, also
// after the unit is closed: 0, EWOULDBLOCK when another process holds one, EBADF for a
// standard stream or a closed unit.
int fio_lock(int unit);
// Closes every file unit and flushes the standard streams, which stay connected so that a
// last message still shows (for the end of the process).
void fio_close_all();

// ---- Record reads ------------------------------------------------------------------------

// Reads the next record (line) of unit: cut to rec's length, blank-padded. Returns 0, -1 at
// end of file (rec left blank), 1 when the unit is not open for reading (0 and 6 are not). A record may end
// in CR LF; the CR is not part of it.
int fio_read(int unit, std::span<char> rec);
template <std::size_t N>
int fio_read(int unit, FText<N>& rec) { return fio_read(unit, rec.span()); }
// The same for a record of any length, without padding. Standard input (unit 5) is read a
// byte at a time, so nothing past the record is consumed: the line editor, a shell command
// and MINUIT's SAVE read the same descriptor after it.
int fio_read_line(int unit, std::string& line);

// ---- Layouts -----------------------------------------------------------------------------
// The layout text is a Fortran FORMAT in parentheses. Edit descriptors:
//   Iw Iw.m  Fw.d  Ew.d Ew.dEe  ESw.d  Gw.d  Lw  A Aw  Zw Zw.m  nX  Tc TLn TRn  / : $  kP
//   S SP SS  (Z: hexadecimal, the 32 bits of a 4-byte integer)
//   'text' "text" (doubled quotes inside) nHtext; repeat counts on descriptors and (groups).
// Fw.d, Iw with w = 0 take the least width. A number too wide for its field gives asterisks.
// When values remain at the end, the line ends and the layout starts again at its last
// top-level group (or its beginning); when they run out, it stops before the next value
// field, or at ':'. '$' leaves the last line open (prompts).
// A value of another kind than the field is converted: integers in F/E/G as reals, reals
// in I rounded, anything in A as its free-form text without the leading blank.

// Writes the lines. Returns 0, EBADF when the unit is not open for writing, EIO when the
// stream failed.
int fio_write(int unit, std::string_view layout, FVals vals);
inline int fio_write(int unit, std::string_view layout, std::initializer_list<FVal> vals = {})
{
    return fio_write(unit, layout, FVals(vals.begin(), vals.size()));
}
// The lines without writing them (a '$' line is the last one, like the others).
std::vector<std::string> fio_format(std::string_view layout, FVals vals);
inline std::vector<std::string> fio_format(std::string_view layout,
                                           std::initializer_list<FVal> vals = {})
{
    return fio_format(layout, FVals(vals.begin(), vals.size()));
}
// The first line only (handy for building one text).
std::string fio_format1(std::string_view layout, FVals vals);
inline std::string fio_format1(std::string_view layout, std::initializer_list<FVal> vals = {})
{
    return fio_format1(layout, FVals(vals.begin(), vals.size()));
}

// The lines that hold more than blanks, each without its outer blanks, joined by one blank:
// a message as one line ("(/,' *** Only 99 SPECTRA allowed! ***',/)" gives its text).
std::string fio_text(std::string_view layout, FVals vals);
inline std::string fio_text(std::string_view layout, std::initializer_list<FVal> vals = {})
{
    return fio_text(layout, FVals(vals.begin(), vals.size()));
}

// ---- Free-form lines ---------------------------------------------------------------------
// Each line begins with a blank. Texts follow as they are; an integer is " 12" or " -12";
// a real of either width is " ", " " or "-", and up to 9 significant digits without trailing
// zeros ("  1.", " -0.25", "  1.5E+10"); logicals " T"/" F". Before an item that would
// bring the line to 80 characters, a line holding items is ended and a new one begun.

int fio_list(int unit, FVals vals);
inline int fio_list(int unit, std::initializer_list<FVal> vals)
{
    return fio_list(unit, FVals(vals.begin(), vals.size()));
}
std::vector<std::string> fio_list_format(FVals vals);
inline std::vector<std::string> fio_list_format(std::initializer_list<FVal> vals)
{
    return fio_list_format(FVals(vals.begin(), vals.size()));
}

// ---- The screen --------------------------------------------------------------------------
// Texts are made in one 8-bit character set: Latin-1 (the start; ASCII is part of it) or
// code page 437. Lines written on unit 6 or 0 while that stream is a terminal whose locale
// (LC_CTYPE, as the program set it) speaks UTF-8 are converted to UTF-8 there and nowhere
// else; files, pipes and other terminals receive the bytes as made. Runs of bytes that are
// UTF-8 already (answers typed at such a terminal) pass unchanged.

enum class FCharset : unsigned char { latin1, cp437 };

void fio_made_in(FCharset cs);   // the character set of the texts made from now on
FCharset fio_made_in();
// text in UTF-8, its bytes above 127 read in cs; Latin-1's controls 128..159 become U+FFFD,
// so that a byte from a run file never reaches a terminal as a control.
std::string fio_utf8(std::string_view text, FCharset cs);
// text as the screen of unit receives it: on one line, converted when the unit's lines are,
// else as it is (for the prompt that readline writes itself).
std::string fio_screen_text(int unit, std::string_view text);

// Every line written on a unit passes here first, so that no text in it (a title from a run
// file, an answer) can end the line or act on a terminal. Its controls, the C0 bytes, DEL and
// in Latin-1 the C1 bytes 128..159, become a blank in a stored file; on the screen and in the
// log they are shown in caret form (ESC as ^[, CR as ^M, 155 as M-^[) and TAB stays. Latin-1's
// printable bytes (181, 177) stay, and so does a UTF-8 character from U+00A0 on, except at a
// terminal that reads single bytes.
enum class FOneLine : unsigned char {
    stored,      // a file read by programs: the answer file, journals, rows, DB files
    shown,       // the log, the screen through a pipe, a terminal that reads UTF-8
    shown_8bit,  // a terminal that reads single bytes
};
std::string fio_one_line(std::string_view text, FOneLine how);

// For texts made in one character set whatever was chosen: the previous one comes back at
// the end of the scope.
class FMadeIn {
public:
    explicit FMadeIn(FCharset cs) : old_(fio_made_in()) { fio_made_in(cs); }
    ~FMadeIn() { fio_made_in(old_); }
    FMadeIn(const FMadeIn&) = delete;
    FMadeIn& operator=(const FMadeIn&) = delete;

private:
    FCharset old_;
};
