// zog_bind.cpp -- the handle interface seen through blank-padded text fields of
// fixed length, as the fitting program holds its texts.

#include <algorithm>
#include <cstring>

#include "zog.h"

std::optional<std::string> zog_text_in(std::span<const char> field)
{
    if (field.size() >= 4 && field[0] == 0 && field[1] == 0 && field[2] == 0 && field[3] == 0)
        return std::nullopt;
    const auto nul = std::find(field.begin(), field.end(), '\0');
    if (nul != field.end()) return std::string(field.begin(), nul);
    std::size_t n = field.size();
    while (n > 0 && field[n - 1] == ' ') --n;
    return std::string(field.data(), n);
}

void zog_text_out(std::span<char> field)
{
    const auto nul = std::find(field.begin(), field.end(), '\0');
    std::fill(nul, field.end(), ' ');
}

namespace {

// A field too long for the library's int length is fetched through its first
// INT_MAX characters; no run file holds texts that long.
int len_of(std::span<char> field)
{
    return static_cast<int>(std::min<std::size_t>(field.size(), 0x7FFFFFFF));
}

const char* c_text(const std::optional<std::string>& t) { return t ? t->c_str() : nullptr; }

}  // namespace

int zog_get_text(int (*get)(int, char*, int) noexcept, int fh, std::span<char> field)
{
    if (field.empty()) return 0;
    const int ok = get(fh, field.data(), len_of(field));
    if (ok != 0) zog_text_out(field);
    return ok;
}

int zog_get_text(int (*get)(int, int, char*, int) noexcept, int fh, int n, std::span<char> field)
{
    if (field.empty()) return 0;
    const int ok = get(fh, n, field.data(), len_of(field));
    if (ok != 0) zog_text_out(field);
    return ok;
}

int zog_set_text(int (*set)(int, const char*) noexcept, int fh, std::span<const char> field)
{
    return set(fh, c_text(zog_text_in(field)));
}

int zog_set_text(int (*set)(int, int, const char*) noexcept, int fh, int n,
                 std::span<const char> field)
{
    return set(fh, n, c_text(zog_text_in(field)));
}

int zog_open_read(std::span<const char> name, int* fmtID)
{
    const std::optional<std::string> t = zog_text_in(name);
    return t ? ZOG_openRead(t->c_str(), fmtID) : -1;
}

int zog_open_write(std::span<const char> name, int fmtID)
{
    const std::optional<std::string> t = zog_text_in(name);
    return t ? ZOG_openWrite(t->c_str(), fmtID) : -1;
}
