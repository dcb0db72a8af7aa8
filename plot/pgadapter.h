// pgadapter.h -- the plot library's routines as the plot package calls them. The backend's
// departures from the classic library are mended in pgadapter.cpp and nowhere else.
#pragma once

#include <string>
#include <string_view>

// Opens a device; a blank device name opens the default device (PGPLOT_DEV, else /xw when
// a display is set, else /null). Returns the device id, or 0 or below when none opened.
// Never prompts: the caller lists devices and asks for a name itself. A plot file is drawn
// into a temporary beside it, which pg_clos puts in its place once it is whole.
int pg_open(std::string_view device);
// True when the default device is none at all (no PGPLOT_DEV, no display): /null.
bool pg_default_draws_nothing();
void pg_ldev();                                    // the device types, on standard output
// Why a plot file was not put in its place: the file and the reason ("" when all went well).
struct PgLost {
    std::string file, reason;
};
// Closes the device. A plot on a window waits for RETURN first when page_prompt is set and
// someone is at the keyboard. A plot file replaces the old one only when complete; otherwise
// the old file stays as it was and the result says which file was lost and why. keep_file
// false (a device opened only to try it) leaves no file at all.
PgLost pg_clos(bool page_prompt = true, bool keep_file = true);
void pg_bbuf();
void pg_ebuf();
// The view surface in inches.
void pg_qvsz(float& x1, float& x2, float& y1, float& y2);
void pg_vsiz(float xleft, float xright, float ybot, float ytop);
// Character height in inches at size factor 1, right after opening.
float pg_qcs_inches();
float pg_len_inches(std::string_view text);   // at the current character height
void pg_qvp_inches(float& x1, float& x2, float& y1, float& y2);   // the viewport
void pg_scf(int font);
// Limits a tenth of the range beyond x1 and x2 (not across zero when the data do not
// cross it), in double: near the largest float the range itself would overflow.
void pg_rnge(double x1, double x2, double& xlo, double& xhi);
// The world window; an edge beyond the largest float is held at it, and an empty or
// non-finite one is mended to a usable window first.
void pg_swin(double x1, double x2, double y1, double y2);
void pg_sch(float size);
void pg_box(const char* xopt, float xtick, int nxsub, const char* yopt, float ytick, int nysub);
void pg_sls(int style);
void pg_sci(int colour);
void pg_mtxt(const char* side, float disp, float coord, float fjust, std::string_view text);
void pg_ptxt(float x, float y, float angle, float fjust, std::string_view text);
void pg_move(float x, float y);
void pg_draw(float x, float y);                    // a line from the pen position
void pg_pt1(float x, float y, int symbol);
// Reads the cursor: true and the position when the device has one; otherwise false and
// x, y as they were.
bool pg_curs(float& x, float& y);

// Test hook: when set, every call above is reported as one line ("pgmove 1 2") before it
// reaches the backend.
inline void (*pg_trace)(std::string_view call) = nullptr;
// Test hook: when above zero, each device opened gets this view surface width in inches
// (the height at three quarters of it), so that a test sees other picture sizes.
inline float pg_test_paper_width = 0.0f;
