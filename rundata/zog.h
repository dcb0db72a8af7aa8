// zog.h -- the run-data file library's door: run files opened by handle, their
// run description, histograms, scalers, comments and variables field by field.
#pragma once

// Conventions of every call below:
//  - fh is a run-file handle 0..15 from ZOG_openRead / ZOG_openWrite;
//  - a call answers 1 on success and 0 on failure (a bad handle, a free slot, a
//    missing section or member, a refused value), the opens a handle or -1;
//  - out variables are written only on success; nothing is printed;
//  - numbers n of histograms and scalers count from 1;
//  - text getters copy at most len-1 characters and always terminate; text
//    setters take a terminated text (nullptr: no text) and cut it to 65535 bytes.
// No call lets an exception out.
extern "C" {

// ---- files
// A file opens when its head group's tree arrives whole. A section inside it
// whose bytes do not decode (an array whose counts disagree, say) is kept
// unreadable: its getters fail, every other section reads. A group that holds
// other sections than its index names keeps those; the named ones are
// missing. A damaged end of the file after that tree (a cut or zero-size end
// section, stray bytes, bytes after the end section) is passed over. Each
// marks the file damaged (ZOG_getDamaged) and is said (ZOG_getDamage).
int ZOG_openRead(const char* name, int* fmtID) noexcept;  // handle or -1
// Checks that the file can be written, and writes nothing yet: the file is
// made at ZOG_closeWrite. -1 with the reason in ZOG_getWriteError.
int ZOG_openWrite(const char* name, int fmtID) noexcept;  // handle or -1
int ZOG_closeRead(int fh) noexcept;   // 0 for a slot opened for writing
// Encodes the whole file, writes it beside the named one and renames it over
// that one when it is complete, with the old file's owner and permissions; a
// link keeps leading to it. A FIFO or a device is written in place, and so is
// a file in a folder that takes no new file, after room for all of it is
// taken. 0, with the reason in ZOG_getWriteError, when the encoder refuses a
// section or the file cannot be written whole; an old file then stays as it
// was and no part of the new one is left.
int ZOG_closeWrite(int fh) noexcept;
// Why the last ZOG_openWrite or ZOG_closeWrite failed, or the last array
// shape setter that refused a shape without a layout; empty after an open or
// close that succeeded.
int ZOG_getWriteError(char* buf, int len) noexcept;
// A signal during ZOG_closeWrite: where the program leaves a signal that ends
// the process at its default, the library removes its temporary first; an
// in-place rewrite holds such signals back until the file is whole. A program
// whose own handler ends the process calls this there: it removes the
// temporary of a write under way, if any, and is async-signal-safe.
void ZOG_dropTemporaries() noexcept;
// Why the last ZOG_openRead failed, in words (where the file is cut short or
// does not decode, by byte); empty after one that succeeded.
int ZOG_getReadError(char* buf, int len) noexcept;
// damaged := 1 when the file opened for reading holds damaged parts, else 0.
int ZOG_getDamaged(int fh, int* damaged) noexcept;
// What those parts are, each with the byte where it lies, "; " between
// them: sections kept without their bodies, members a group's index names
// but the file does not hold, a damaged end, bytes after the end section.
// Empty for an undamaged file.
int ZOG_getDamage(int fh, char* buf, int len) noexcept;

// ---- run description
int ZOG_getRunDesc(int fh, int* type) noexcept;
int ZOG_setRunDesc(int fh) noexcept;  // 0 when the file already has one
int ZOG_getExptNumber(int fh, int* v) noexcept;
int ZOG_setExptNumber(int fh, int v) noexcept;
int ZOG_getRunNumber(int fh, int* v) noexcept;
int ZOG_setRunNumber(int fh, int v) noexcept;
int ZOG_getElapsedSec(int fh, int* v) noexcept;
int ZOG_setElapsedSec(int fh, int v) noexcept;
int ZOG_getTimeBegin(int fh, int* v) noexcept;  // seconds since 1970-01-01 00:00 UTC
int ZOG_setTimeBegin(int fh, int v) noexcept;
int ZOG_getTimeEnd(int fh, int* v) noexcept;
int ZOG_setTimeEnd(int fh, int v) noexcept;
int ZOG_getTitle(int fh, char* buf, int len) noexcept;
int ZOG_setTitle(int fh, const char* text) noexcept;
int ZOG_getLab(int fh, char* buf, int len) noexcept;
int ZOG_setLab(int fh, const char* text) noexcept;
int ZOG_getArea(int fh, char* buf, int len) noexcept;
int ZOG_setArea(int fh, const char* text) noexcept;
int ZOG_getMethod(int fh, char* buf, int len) noexcept;
int ZOG_setMethod(int fh, const char* text) noexcept;
int ZOG_getApparatus(int fh, char* buf, int len) noexcept;
int ZOG_setApparatus(int fh, const char* text) noexcept;
int ZOG_getInsert(int fh, char* buf, int len) noexcept;
int ZOG_setInsert(int fh, const char* text) noexcept;
int ZOG_getSample(int fh, char* buf, int len) noexcept;
int ZOG_setSample(int fh, const char* text) noexcept;
int ZOG_getOrient(int fh, char* buf, int len) noexcept;
int ZOG_setOrient(int fh, const char* text) noexcept;
int ZOG_getDas(int fh, char* buf, int len) noexcept;
int ZOG_setDas(int fh, const char* text) noexcept;
int ZOG_getExperimenter(int fh, char* buf, int len) noexcept;
int ZOG_setExperimenter(int fh, const char* text) noexcept;
// Generic run description only, whatever the file's format:
int ZOG_getTemperature(int fh, char* buf, int len) noexcept;
int ZOG_setTemperature(int fh, const char* text) noexcept;
int ZOG_getField(int fh, char* buf, int len) noexcept;
int ZOG_setField(int fh, const char* text) noexcept;
// Fub TI run description only, whatever the file's format:
int ZOG_getSubtitle(int fh, char* buf, int len) noexcept;
int ZOG_setSubtitle(int fh, const char* text) noexcept;
int ZOG_getComment1(int fh, char* buf, int len) noexcept;
int ZOG_setComment1(int fh, const char* text) noexcept;
int ZOG_getComment2(int fh, char* buf, int len) noexcept;
int ZOG_setComment2(int fh, const char* text) noexcept;
int ZOG_getComment3(int fh, char* buf, int len) noexcept;
int ZOG_setComment3(int fh, const char* text) noexcept;

// ---- histograms
int ZOG_getHists(int fh, int* type, int* num) noexcept;
int ZOG_setHists(int fh, int type, int num) noexcept;  // 0 when that group exists
int ZOG_getHistType(int fh, int n, int* v) noexcept;
int ZOG_setHistType(int fh, int n, int v) noexcept;
int ZOG_getHistNumBytes(int fh, int n, int* v) noexcept;
int ZOG_setHistNumBytes(int fh, int n, int v) noexcept;
int ZOG_getHistNumBins(int fh, int n, int* v) noexcept;
int ZOG_setHistNumBins(int fh, int n, int v) noexcept;
int ZOG_getHistBytesPerBin(int fh, int n, int* v) noexcept;  // 1, 2, 4; 0 packed
int ZOG_setHistBytesPerBin(int fh, int n, int v) noexcept;
int ZOG_getHistFsPerBin(int fh, int n, int* v) noexcept;     // the bin-width code
int ZOG_setHistFsPerBin(int fh, int n, int v) noexcept;
int ZOG_getHistT0_Ps(int fh, int n, int* v) noexcept;
int ZOG_setHistT0_Ps(int fh, int n, int v) noexcept;
int ZOG_getHistT0_Bin(int fh, int n, int* v) noexcept;
int ZOG_setHistT0_Bin(int fh, int n, int v) noexcept;
int ZOG_getHistGoodBin1(int fh, int n, int* v) noexcept;
int ZOG_setHistGoodBin1(int fh, int n, int v) noexcept;
int ZOG_getHistGoodBin2(int fh, int n, int* v) noexcept;
int ZOG_setHistGoodBin2(int fh, int n, int v) noexcept;
int ZOG_getHistBkgd1(int fh, int n, int* v) noexcept;
int ZOG_setHistBkgd1(int fh, int n, int v) noexcept;
int ZOG_getHistBkgd2(int fh, int n, int* v) noexcept;
int ZOG_setHistBkgd2(int fh, int n, int v) noexcept;
int ZOG_getHistNumEvents(int fh, int n, int* v) noexcept;
int ZOG_setHistNumEvents(int fh, int n, int v) noexcept;
int ZOG_getHistTitle(int fh, int n, char* buf, int len) noexcept;
int ZOG_setHistTitle(int fh, int n, const char* text) noexcept;

// The data section's own bytes, no copy: *pData stays the library's, *nBytes
// of them are valid.
int ZOG_getHistpData(int fh, int n, void** pData, int* nBytes) noexcept;
// Hands over a buffer from std::malloc of nBytes bytes (nullptr with 0: none);
// the library frees it with the tree. It becomes the data section's bytes and
// both nBytes fields.
int ZOG_setHistpData(int fh, int n, void* pData, int nBytes) noexcept;

// The nBins bins of histogram n: elements of bytesPerBin bytes (1, 2 or 4), or
// 4-byte counts when stored packed (bytesPerBin 0). Fails, writing nothing,
// when they need more than bufBytes, when the data section is short or its
// packed stream does not hold exactly nBins bins, or for any other width.
int ZOG_getHistData(int fh, int n, void* data, int bufBytes) noexcept;
// Stores nBins bins from data (elements of bytesPerBin bytes, 4-byte counts for
// bytesPerBin 0, which stores them packed); set both fields first.
int ZOG_setHistData(int fh, int n, const void* data) noexcept;

// Seconds per bin from the code: 0-15 7.8125e-11 * 2^v, 16-28 4.8828125e-11 *
// 2^(v-16), above 28 v femtoseconds.
int ZOG_getHistSecondsPerBin(int fh, int n, double* seconds) noexcept;
// Stores the width rounded to whole femtoseconds; refuses widths below 29 fs
// (they would read back as a resolution code) and above 4.294967295e-06 s.
int ZOG_setHistSecondsPerBin(int fh, int n, double seconds) noexcept;

// Time data of histograms is not kept: these do nothing and answer 1.
int ZOG_getHistpTimeData(int fh, int n, void** pTimeData) noexcept;
int ZOG_getHistTimeData(int fh, int n, void* timeData) noexcept;
int ZOG_setHistpTimeData(int fh, int n, void* pTimeData) noexcept;
int ZOG_setHistTimeData(int fh, int n, const void* timeData) noexcept;

// ---- scalers
int ZOG_getScalers(int fh, int* type, int* num) noexcept;
int ZOG_setScalers(int fh, int type, int num) noexcept;  // 0 when that group exists
int ZOG_getScalerLabel(int fh, int n, char* buf, int len) noexcept;
int ZOG_setScalerLabel(int fh, int n, const char* text) noexcept;
int ZOG_getScalerCounts(int fh, int n, int counts[2]) noexcept;  // total, recent
int ZOG_setScalerCounts(int fh, int n, const int counts[2]) noexcept;

// ---- comments (numbered notes with replies)
int ZOG_getComments(int fh, int* type, int* num) noexcept;
int ZOG_setComments(int fh, int type, int num) noexcept;  // 0 when the file has comments
int ZOG_getCommentPrev(int fh, int n, int* v) noexcept;
int ZOG_setCommentPrev(int fh, int n, int v) noexcept;
int ZOG_getCommentNext(int fh, int n, int* v) noexcept;
int ZOG_setCommentNext(int fh, int n, int v) noexcept;
int ZOG_getCommentTime(int fh, int n, int* v) noexcept;  // seconds since 1970-01-01 00:00 UTC
int ZOG_setCommentTime(int fh, int n, int v) noexcept;
int ZOG_getCommentAuthor(int fh, int n, char* buf, int len) noexcept;
int ZOG_setCommentAuthor(int fh, int n, const char* text) noexcept;
int ZOG_getCommentTitle(int fh, int n, char* buf, int len) noexcept;
int ZOG_setCommentTitle(int fh, int n, const char* text) noexcept;
int ZOG_getCommentBody(int fh, int n, char* buf, int len) noexcept;
int ZOG_setCommentBody(int fh, int n, const char* text) noexcept;

// ---- independent variables: a summary per variable and, in the Fub TI
// format (group kind 0x01020006), an array of logged values per variable
int ZOG_getIndVars(int fh, int* type, int* num) noexcept;
int ZOG_setIndVars(int fh, int type, int num) noexcept;  // 0 when that group exists
int ZOG_getIndVarLow(int fh, int n, double* v) noexcept;
int ZOG_setIndVarLow(int fh, int n, double v) noexcept;
int ZOG_getIndVarHigh(int fh, int n, double* v) noexcept;
int ZOG_setIndVarHigh(int fh, int n, double v) noexcept;
int ZOG_getIndVarMean(int fh, int n, double* v) noexcept;
int ZOG_setIndVarMean(int fh, int n, double v) noexcept;
int ZOG_getIndVarStddev(int fh, int n, double* v) noexcept;
int ZOG_setIndVarStddev(int fh, int n, double v) noexcept;
int ZOG_getIndVarSkewness(int fh, int n, double* v) noexcept;
int ZOG_setIndVarSkewness(int fh, int n, double v) noexcept;
int ZOG_getIndVarName(int fh, int n, char* buf, int len) noexcept;
int ZOG_setIndVarName(int fh, int n, const char* text) noexcept;
int ZOG_getIndVarDescription(int fh, int n, char* buf, int len) noexcept;
int ZOG_setIndVarDescription(int fh, int n, const char* text) noexcept;
int ZOG_getIndVarUnits(int fh, int n, char* buf, int len) noexcept;
int ZOG_setIndVarUnits(int fh, int n, const char* text) noexcept;
// The array of variable n: element count, element size (0: packed integers),
// element type (1 integers, 2 reals, 3 raw bytes), whether times follow.
int ZOG_getIndVarNumData(int fh, int n, int* v) noexcept;
int ZOG_setIndVarNumData(int fh, int n, int v) noexcept;
int ZOG_getIndVarElemSize(int fh, int n, int* v) noexcept;
int ZOG_setIndVarElemSize(int fh, int n, int v) noexcept;
int ZOG_getIndVarDataType(int fh, int n, int* v) noexcept;
int ZOG_setIndVarDataType(int fh, int n, int v) noexcept;
int ZOG_getIndVarHasTime(int fh, int n, int* v) noexcept;
// The array's own buffers, no copy, as for ZOG_getHistpData / ZOG_setHistpData:
// a buffer handed over comes from std::malloc with its size and is freed with the tree.
int ZOG_getIndVarpData(int fh, int n, void** pData, int* nBytes) noexcept;
int ZOG_setIndVarpData(int fh, int n, void* pData, int nBytes) noexcept;
int ZOG_getIndVarpTimeData(int fh, int n, void** pTimeData, int* nBytes) noexcept;
int ZOG_setIndVarpTimeData(int fh, int n, void* pTimeData, int nBytes) noexcept;
// Layouts an array can have: type 1 integers of 1, 2 or 4 bytes, or packed
// (elemSize 0, fetched as 4-byte ones); type 2 reals of 4 or 8 bytes; type 3
// raw bytes, elements of any size. A setter of elemSize or type refuses a
// shape of types 1 to 3 without a layout (reals of 3 bytes, say: set the size
// before the type), saying why in ZOG_getWriteError, so that the rest of the
// file still writes. Once an array holds data or times, a
// setter of num, elemSize or type, or of the buffers, that would leave them
// unwritable (their sizes no longer those the shape gives) refuses; set the
// shape first. A refused buffer stays the caller's.
// The num elements; fails, writing nothing, past bufBytes or when the array's
// data does not have its layout.
int ZOG_getIndVarData(int fh, int n, void* data, int bufBytes) noexcept;
// Stores num elements from data; set num, elemSize and type first. Refuses a
// shape without a layout (type 4, reals of 3 bytes, integers of 8).
int ZOG_setIndVarData(int fh, int n, const void* data) noexcept;
// The num times; an array without times copies nothing and answers 1.
int ZOG_getIndVarTimeData(int fh, int n, int* times, int bufBytes) noexcept;
int ZOG_setIndVarTimeData(int fh, int n, const int* times) noexcept;  // sets hasTime

}  // extern "C"

// ---- identifiers a writer needs
constexpr int ZOG_FMT_GENERIC = 0x02010000;      // head group kind: generic format
constexpr int ZOG_FMT_FUB_TI = 0x02020000;       // head group kind: Fub TI format
constexpr int ZOG_HIST_GRP_GENERIC = 0x02010002; // histogram group, generic format
constexpr int ZOG_HIST_GRP_FUB_TI = 0x02020002;  // histogram group, Fub TI format
constexpr int ZOG_SCALER_GRP = 0x02010004;       // scaler group, every format
constexpr int ZOG_RUN_DESC_GENERIC = 0x01020001; // run description secIDs
constexpr int ZOG_RUN_DESC_FUB_TI = 0x02020001;
constexpr int ZOG_IND_VAR_GRP_GENERIC = 0x01020005; // summaries only
constexpr int ZOG_IND_VAR_GRP_FUB_TI = 0x01020006;  // summary and array per variable

// ---- the binding for blank-padded text fields (fixed length, no terminator)
#include <optional>
#include <span>
#include <string>

// The text a field stands for: none when its first four bytes are zero bytes,
// else up to its first zero byte, else without its trailing blanks.
std::optional<std::string> zog_text_in(std::span<const char> field);
// After a getter filled field (len = its size): blanks from the first zero byte on.
void zog_text_out(std::span<char> field);

// Getters and setters of a text through a blank-padded field.
int zog_get_text(int (*get)(int, char*, int) noexcept, int fh, std::span<char> field);
int zog_get_text(int (*get)(int, int, char*, int) noexcept, int fh, int n,
                 std::span<char> field);
int zog_set_text(int (*set)(int, const char*) noexcept, int fh,
                 std::span<const char> field);
int zog_set_text(int (*set)(int, int, const char*) noexcept, int fh, int n,
                 std::span<const char> field);
// The opens with a blank-padded file name; a name that stands for no text fails.
int zog_open_read(std::span<const char> name, int* fmtID);
int zog_open_write(std::span<const char> name, int fmtID);
