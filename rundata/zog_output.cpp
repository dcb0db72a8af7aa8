// zog_output.cpp -- where a run file opened by handle for writing goes, and how
// it gets there: beside the file, renamed over it once whole, so that a write
// that fails leaves the old file as it was and no part of a new one.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "zog_local.h"

namespace {

std::string failed(const std::string& what, const std::string& path, int err)
{
    return what + " " + path + ": " + std::strerror(err);
}

// The absolute form of an existing path; empty (errno set) when it has none.
std::string real_path(const std::string& p)
{
    char* r = realpath(p.c_str(), nullptr);
    if (r == nullptr) return {};
    std::string s = r;
    std::free(r);
    return s;
}

std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes all n bytes to fd; false (errno set) when the file takes fewer.
bool write_all(int fd, const std::uint8_t* p, std::size_t n)
{
    if (zog_fails(zs_write)) {
        errno = EIO;
        return false;
    }
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            if (k == 0) errno = EIO;
            return false;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

// Into the path itself: a FIFO, a device, a link to no file yet.
bool write_direct(const ZOG_TARGET& t, const std::uint8_t* p, std::size_t n, std::string* why)
{
    const int fd = zog_fails(zs_temp) ? (errno = EIO, -1) : ::open(t.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *why = failed("cannot open", t.path, errno);
        return false;
    }
    bool ok = write_all(fd, p, n);
    if (!ok) *why = failed("cannot write", t.path, errno);
    const bool close_fault = zog_fails(zs_close);
    if ((::close(fd) != 0 || close_fault) && ok) {
        *why = failed("cannot write", t.path, close_fault ? EIO : errno);
        ok = false;
    }
    return ok;
}

// A new file of its own beside path, with a name no one else has; -1 and errno.
int create_beside(const std::string& path, std::string* made)
{
    const std::string stem = folder_of(path) + "/.zog" + std::to_string(::getpid()) + "_";
    for (int k = 0; k < 1000; ++k) {
        *made = stem + std::to_string(k) + ".tmp";
        if (zog_fails(zs_temp)) {
            errno = EIO;
            return -1;
        }
        const int fd = ::open(made->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool zog_target(const char* name, ZOG_TARGET* t, std::string* why)
{
    *t = ZOG_TARGET{};
    if (name == nullptr || *name == '\0') {
        *why = "no file name";
        return false;
    }
    const std::string n = name;
    if (zog_fails(zs_open_out)) {
        *why = failed("cannot write", n, EIO);
        return false;
    }
    struct stat st{};
    if (::stat(name, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            *why = failed("cannot write", n, EISDIR);
            return false;
        }
        t->direct = !S_ISREG(st.st_mode);
        t->path = t->direct ? n : real_path(n);  // a link's own file is the one replaced
        if (t->path.empty() || ::access(t->path.c_str(), W_OK) != 0) {
            *why = failed("cannot write", n, errno);
            return false;
        }
        // A file that may be written in a folder that takes no new file can
        // only be rewritten in place.
        if (!t->direct && ::access(folder_of(t->path).c_str(), W_OK | X_OK) != 0) t->direct = true;
        return true;
    }
    if (errno != ENOENT) {
        *why = failed("cannot write", n, errno);
        return false;
    }
    if (::lstat(name, &st) == 0) {  // a link to no file yet: made through the link
        t->direct = true;
        t->path = n;
        return true;
    }
    const std::size_t slash = n.rfind('/');
    const std::string base = slash == std::string::npos ? n : n.substr(slash + 1);
    const std::string folder = real_path(folder_of(n));
    if (base.empty() || folder.empty() || ::access(folder.c_str(), W_OK | X_OK) != 0) {
        *why = failed("cannot create", n, base.empty() ? EISDIR : errno);
        return false;
    }
    t->path = (folder == "/" ? "" : folder) + "/" + base;
    return true;
}

bool zog_replace(const ZOG_TARGET& t, const std::uint8_t* p, std::size_t n, std::string* why)
{
    if (t.direct) return write_direct(t, p, n, why);
    std::string temp;
    const int fd = create_beside(t.path, &temp);
    if (fd < 0) {
        *why = failed("cannot create a file beside", t.path, errno);
        return false;
    }
    bool ok = true;
    auto fail = [&](const char* what, const std::string& path, int err) {
        if (ok) *why = failed(what, path, err);
        ok = false;
    };
    // The old file's permissions carry over; a new file has those of any file made here.
    struct stat old{};
    if (::stat(t.path.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0)
        fail("cannot set the permissions of", temp, errno);
    if (ok && !write_all(fd, p, n)) fail("cannot write", t.path, errno);
    if (ok && zog_fails(zs_flush)) fail("cannot write", t.path, EIO);
    if (ok && ::fsync(fd) != 0) fail("cannot write", t.path, errno);
    const bool close_fault = zog_fails(zs_close);
    if (::close(fd) != 0) fail("cannot write", t.path, errno);
    if (close_fault) fail("cannot write", t.path, EIO);
    if (ok && zog_fails(zs_rename)) fail("cannot replace", t.path, EIO);
    if (ok && std::rename(temp.c_str(), t.path.c_str()) != 0) fail("cannot replace", t.path, errno);
    if (!ok) ::unlink(temp.c_str());
    return ok;
}
