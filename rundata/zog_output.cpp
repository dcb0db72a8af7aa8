// zog_output.cpp -- where a run file opened by handle for writing goes, and how
// it gets there: beside the file, renamed over it once whole, so that a write
// that fails, or a signal that ends the process, leaves the old file as it was
// and no part of a new one.

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "zog.h"
#include "zog_local.h"

namespace {

// ---- signals during a write
// The temporary being written, for a signal handler: its name is copied here
// before the file is made, then temp_made is set; both before anything can
// need them, so the handler only reads them.
char temp_name[PATH_MAX + 1];
std::atomic<int> temp_made{0};
static_assert(std::atomic<int>::is_always_lock_free, "a handler reads it");

// The signals whose default action ends the process.
constexpr int ending_signals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1,
                                  SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPIPE};
constexpr int n_ending = static_cast<int>(sizeof ending_signals / sizeof ending_signals[0]);

sigset_t ending_set()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : ending_signals) sigaddset(&set, sig);
    return set;
}

// The library's own handler, where the program left a signal's default: the
// temporary goes, then the signal takes its default course.
void drop_then_default(int sig)
{
    ZOG_dropTemporaries();
    struct sigaction dfl{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    raise(sig);  // held until this handler returns, then it ends the process
}

// While a temporary lives: the library's handler for every ending signal the
// program left at its default (a handler of the program's own calls
// ZOG_dropTemporaries; an ignored signal ends nothing). Restored at the end.
class TempWatch {
public:
    TempWatch()
    {
        struct sigaction ours{};
        ours.sa_handler = drop_then_default;
        ours.sa_mask = ending_set();  // one handler at a time
        for (int k = 0; k < n_ending; ++k) {
            taken_[k] = sigaction(ending_signals[k], nullptr, &old_[k]) == 0 &&
                        (old_[k].sa_flags & SA_SIGINFO) == 0 && old_[k].sa_handler == SIG_DFL &&
                        sigaction(ending_signals[k], &ours, nullptr) == 0;
        }
    }
    ~TempWatch()
    {
        temp_made = 0;
        for (int k = 0; k < n_ending; ++k)
            if (taken_[k]) sigaction(ending_signals[k], &old_[k], nullptr);
    }
    TempWatch(const TempWatch&) = delete;
    TempWatch& operator=(const TempWatch&) = delete;

    // name may exist from now on; false when it is too long to keep.
    static bool made(const std::string& name)
    {
        temp_made = 0;
        if (name.size() >= sizeof temp_name) return false;
        std::memcpy(temp_name, name.c_str(), name.size() + 1);
        temp_made = 1;  // after the copy: a sequentially consistent store
        return true;
    }
    static void gone() { temp_made = 0; }

private:
    struct sigaction old_[n_ending];
    bool taken_[n_ending] = {};
};

// Holds back every ending signal while it lives: a rewrite in place cannot be
// undone, so a signal may only end the process once the file is whole.
class SignalsHeld {
public:
    SignalsHeld()
    {
        const sigset_t set = ending_set();
        held_ = sigprocmask(SIG_BLOCK, &set, &old_) == 0;
    }
    ~SignalsHeld()
    {
        if (held_) sigprocmask(SIG_SETMASK, &old_, nullptr);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t old_;
    bool held_ = false;
};

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

// Into the path itself: a FIFO or a device as a stream; a regular file (in a
// folder that takes no new file) rewritten in place. Such a file first gets
// room for all n bytes, so that a full disk or a size limit leaves it as it was.
bool write_direct(const ZOG_TARGET& t, const std::uint8_t* p, std::size_t n, std::string* why)
{
    const int fd = zog_fails(zs_temp) ? (errno = EIO, -1) : ::open(t.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = failed("cannot open", t.path, errno);
        return false;
    }
    struct stat st{};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::optional<SignalsHeld> held;  // a stream (FIFO, device) may block: never held there
    if (regular) held.emplace();
    int err = 0;
    if (regular) {
        const int room = ::posix_fallocate(fd, 0, static_cast<off_t>(n));
        if (room != 0 && room != EOPNOTSUPP && room != EINVAL) err = room;
    }
    if (err == 0 && !write_all(fd, p, n)) err = errno;
    if (err != 0 && regular && ::ftruncate(fd, st.st_size) != 0) { /* the room taken stays */ }
    if (err == 0 && regular && ::ftruncate(fd, static_cast<off_t>(n)) != 0) err = errno;
    if (err == 0 && regular && ::fsync(fd) != 0) err = errno;
    const bool close_fault = zog_fails(zs_close);
    if ((::close(fd) != 0 || close_fault) && err == 0) err = close_fault ? EIO : errno;
    if (err != 0) *why = failed("cannot write", t.path, err);
    return err == 0;
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
        // A name of this pid left by an earlier process may go if a signal
        // comes before open answers: it is no one's file.
        if (!TempWatch::made(*made)) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const int fd = ::open(made->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        TempWatch::gone();  // not ours, or not made
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

// The name a chain of links that leads to no file ends at: where the file is
// to be made. 0, or why the chain cannot be followed.
int link_end(std::string path, std::string* end)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *end = path;
            return 0;
        }
        std::string to(4096, '\0');
        const ssize_t k = ::readlink(path.c_str(), to.data(), to.size());
        if (k < 0) return errno;
        if (k == 0 || static_cast<std::size_t>(k) >= to.size()) return ENAMETOOLONG;
        to.resize(static_cast<std::size_t>(k));
        path = to.front() == '/' ? to : folder_of(path) + "/" + to;
    }
    return ELOOP;
}

// A file not there yet at path, in a folder that takes it; name is what the
// caller called it.
bool new_file(const std::string& name, const std::string& path, ZOG_TARGET* t, std::string* why)
{
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string folder = real_path(folder_of(path));
    if (base.empty() || folder.empty() || ::access(folder.c_str(), W_OK | X_OK) != 0) {
        *why = failed("cannot create", name, base.empty() ? EISDIR : errno);
        return false;
    }
    t->path = (folder == "/" ? "" : folder) + "/" + base;
    return true;
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
    std::string end = n;
    if (::lstat(name, &st) == 0) {  // a link to no file yet: the file is made where it leads
        if (const int err = link_end(n, &end); err != 0) {
            *why = failed("cannot create", n, err);
            return false;
        }
    }
    return new_file(n, end, t, why);
}

bool zog_replace(const ZOG_TARGET& t, const std::uint8_t* p, std::size_t n, std::string* why)
{
    if (t.direct) return write_direct(t, p, n, why);
    const TempWatch watch;
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
    // The old file's owner, group and permissions carry over, as far as this
    // process may give them away; a new file has those of any file made here.
    struct stat old{};
    if (::stat(t.path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // neither is ours to give: the new file stays ours
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) fail("cannot set the permissions of", temp, errno);
    }
    if (ok && !write_all(fd, p, n)) fail("cannot write", t.path, errno);
    if (ok && zog_fails(zs_flush)) fail("cannot write", t.path, EIO);
    if (ok && ::fsync(fd) != 0) fail("cannot write", t.path, errno);
    const bool close_fault = zog_fails(zs_close);
    if (::close(fd) != 0) fail("cannot write", t.path, errno);
    if (close_fault) fail("cannot write", t.path, EIO);
    if (ok && zog_fails(zs_rename)) fail("cannot replace", t.path, EIO);
    if (ok && std::rename(temp.c_str(), t.path.c_str()) != 0) fail("cannot replace", t.path, errno);
    if (!ok) ::unlink(temp.c_str());
    TempWatch::gone();
    return ok;
}

extern "C" void ZOG_dropTemporaries() noexcept
{
    if (temp_made == 0) return;
    const int saved = errno;
    ::unlink(temp_name);
    temp_made = 0;
    errno = saved;
}
