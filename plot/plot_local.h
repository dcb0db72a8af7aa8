// plot_local.h -- the plot package's private state and the pieces its files share.
// Included only inside plot/ (and by its tests); other folders use plot.h.
#pragma once

#include "ftext.h"
#include "plot.h"

// Texts and switches no caller sees. They live as long as the process; none is ever reset.
struct RozudePriv {
    int font = 1;                 // 1 standard, 2 roman, 3 italic, 4 script
    FText<100> sxlab;             // X label; its first nlbx characters count
    int nlbx = 0;
    FText<40> sylab;              // Y label
    int nlby = 0;
    FText<100> stitle;            // title
    int nttl = 0;
    FText<132> capt;              // caption, drawn at (xcpt, ycpt) on every drawing
    int nchcpt = 0;
    float chscpt = 0.0f;          // caption character size, inches
    float angcpt = 0.0f;          // caption angle, degrees
    float xcpt = 0.0f;            // caption position, world coordinates
    float ycpt = 0.0f;
    FText<132> devname;           // device name last typed
    bool hardcopy = false;        // the next drawing asks for its device
    bool do_caption = false;      // the next drawing reads the caption position at the cursor
    bool no_change = false;       // the plot last drawn shows the current state
};
inline RozudePriv rozude_priv;

// Appends one point with its code (the body of doplch and of the dialog's ADD).
void rozude_add(float x, float y, const Iptyp& code);
// Empties the buffer (points and refused count).
void rozude_clear();
// The significant text of a label field.
inline std::string_view rozude_text(std::string_view field, int n) { return field.substr(0, n); }

// Asks prompt for a device name into devname and opens it (a "?" lists the device
// types and asks again); the device id, 0 or below when none opened.
int rozude_ask_device(std::string_view prompt);

// Why a drawing ended: drawn, no device opened, or its plot file lost (said already).
enum class DrawEnd { drawn, no_device, file_lost };
// Who asked for a drawing: a user at the terminal may name another device when the default
// one fails; a drawing in batch or one the program started by itself (a redraw during a fit)
// gives up at once and reads nothing.
enum class DrawBy { user, program };
// One complete drawing of the buffer: open a device, draw, close.
DrawEnd rozude_draw(DrawBy by = DrawBy::user);
