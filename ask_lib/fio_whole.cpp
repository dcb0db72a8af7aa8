// fio_whole.cpp -- whole-file rewrites on units: the new text is put in a file's place only
// when complete, links are followed, non-regular names and the process's own descriptors are
// written in place; advisory locks.

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "fio_local.h"

namespace {

using fio_detail::Unit;
using fio_detail::unit_of;

// A lock this process holds on a file, by the file's identity; the descriptor keeps it.
struct Held {
    dev_t dev;
    ino_t ino;
    int fd;
};
std::vector<Held> held;  // for the life of the process, unless given up below

// One rewrite between fio_open_whole and fio_commit (or the unit's closing).
struct Whole {
    std::string target;       // the file that gets the text: the name with its links followed
    std::string temp;         // temporary beside the target; empty: the target is written in place
    char* mem = nullptr;      // the text of an in-place rewrite, until it is put in place
    std::size_t mem_len = 0;
    int temp_lock = -1;       // holds the lock on the temporary, which becomes the file
    int own_fd = -1;          // the name is that of this descriptor of the process: written there
    bool new_lock = false;    // the target's lock was taken by this rewrite
    bool placeholder = false; // the target did not exist: this rewrite created it empty
    dev_t dev = 0;            // the target's identity when locked
    ino_t ino = 0;
};
std::array<Whole, fio_max_unit + 1> wholes;

Whole& whole_of(int unit) { return wholes[static_cast<std::size_t>(unit)]; }

// ---- what a stop signal removes ----------------------------------------------------------
// The names of the temporaries and placeholders made so far, where a signal handler reads
// them without allocating. Each slot changes only while the stop signals are held back, so a
// handler sees a name whole, and a file is never made without its name here.

enum DebrisKind : int { debris_none, debris_temp, debris_placeholder };

struct Debris {
    char path[PATH_MAX];
    dev_t dev;                    // a placeholder is removed only while it is still this
    ino_t ino;                    // empty file
    volatile sig_atomic_t kind;   // DebrisKind
};
std::array<Debris, 2 * (fio_max_unit + 1)> debris;  // unit u: [2u] temporary, [2u+1] placeholder

Debris& debris_of(int unit, DebrisKind k)
{
    return debris[2 * static_cast<std::size_t>(unit) + (k == debris_temp ? 0 : 1)];
}

// Called while the stop signals are held.
void note_debris(int unit, DebrisKind k, const std::string& path, int fd)
{
    Debris& d = debris_of(unit, k);
    struct stat st {};
    ::fstat(fd, &st);
    std::copy_n(path.c_str(), path.size() + 1, d.path);
    d.dev = st.st_dev, d.ino = st.st_ino;
    d.kind = k;
}

void clear_debris(int unit, DebrisKind k) { debris_of(unit, k).kind = debris_none; }

// The stop signals wait while a file is made, named here, or put in place.
class HoldStops {
public:
    HoldStops()
    {
        sigset_t stops;
        sigemptyset(&stops);
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stops, sig);
        sigprocmask(SIG_BLOCK, &stops, &old_);
    }
    ~HoldStops() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    HoldStops(const HoldStops&) = delete;
    HoldStops& operator=(const HoldStops&) = delete;

private:
    sigset_t old_;
};

void at_site(FioWholeSite site)
{
    if (fio_whole_site != nullptr) fio_whole_site(site);
}

bool same_file(const struct stat& a, dev_t dev, ino_t ino) { return a.st_dev == dev && a.st_ino == ino; }

Held* held_for(dev_t dev, ino_t ino)
{
    for (Held& h : held)
        if (h.dev == dev && h.ino == ino) return &h;
    return nullptr;
}

void give_up(dev_t dev, ino_t ino)
{
    for (std::size_t i = 0; i < held.size(); ++i)
        if (held[i].dev == dev && held[i].ino == ino) {
            ::close(held[i].fd);
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
}

// Another unit of this process writes the file (the log, say): replacing it would send the
// rest of that unit's lines nowhere. A unit that only reads it (an indirect file being
// replayed) goes on reading the old text after the rename, and does not count.
bool open_on_a_unit(const struct stat& st)
{
    for (int n = 0; n <= fio_max_unit; ++n) {
        const Unit* u = unit_of(n);
        struct stat ust {};
        if (u != nullptr && u->owned && u->writes && !u->whole && ::fstat(fileno(u->f), &ust) == 0 &&
            same_file(ust, st.st_dev, st.st_ino))
            return true;
    }
    return false;
}

std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The descriptor of this process that path names (/dev/stdout leads to /proc/self/fd/1;
// /dev/fd/N, /proc/<pid>/fd/N), or -1.
int own_descriptor(const std::string& path)
{
    const std::string prefixes[] = {"/proc/self/fd/", "/proc/thread-self/fd/", "/dev/fd/",
                                    "/proc/" + std::to_string(::getpid()) + "/fd/"};
    for (const std::string& p : prefixes) {
        if (!path.starts_with(p)) continue;
        const std::string n = path.substr(p.size());
        if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        return std::stoi(n);
    }
    return -1;
}

// The file that path stands for: symbolic links followed, a relative one from its own folder.
// own: the descriptor of this process that a name on the way names, or -1.
int follow_links(std::string path, std::string& out, int& own)
{
    own = -1;
    for (int hops = 0; hops < 40; ++hops) {
        if (own < 0) own = own_descriptor(path);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return 0;
        }
        std::string to(4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n < 0) return errno;
        if (static_cast<std::size_t>(n) >= to.size()) return ENAMETOOLONG;
        to.resize(static_cast<std::size_t>(n));
        path = !to.empty() && to.front() == '/' ? to : folder_of(path) + to;
    }
    return ELOOP;
}

// Takes the lock on the regular (or missing) target for this process. A missing target is
// created empty, so that two runs starting the same new file meet at one lock. The name is
// checked again after locking: a run that replaced the file meanwhile holds the new one.
int lock_target(int unit, Whole& w)
{
    for (int tries = 0; tries < 8; ++tries) {
        bool created = false;
        int fd = ::open(w.target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0 && errno == EACCES) fd = ::open(w.target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0 && errno == ENOENT) {
            const HoldStops hold;
            fd = ::open(w.target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST) continue;
            created = fd >= 0;
            if (created) {
                w.placeholder = true;  // from here on a drop removes it
                note_debris(unit, debris_placeholder, w.target, fd);
                at_site(fio_site_placeholder);
            }
        }
        if (fd < 0) return errno;
        struct stat mine {}, now {};
        ::fstat(fd, &mine);
        if (held_for(mine.st_dev, mine.st_ino) != nullptr) {  // ours since an earlier rewrite
            ::close(fd);
            w.dev = mine.st_dev, w.ino = mine.st_ino;
            return 0;
        }
        w.dev = mine.st_dev, w.ino = mine.st_ino;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            return err;  // the drop removes a placeholder made here
        }
        if (::stat(w.target.c_str(), &now) != 0 || !same_file(now, mine.st_dev, mine.st_ino)) {
            ::close(fd);  // replaced while we locked it: try the file that is there now
            if (created) {  // what we made is gone from the name: nothing of ours to remove
                w.placeholder = false;
                clear_debris(unit, debris_placeholder);
            }
            continue;
        }
        held.push_back({mine.st_dev, mine.st_ino, fd});
        w.new_lock = true;
        return 0;
    }
    return EWOULDBLOCK;
}

// A new temporary from the template name, named for the signal handler as it is made.
int make_temp(int unit, std::string& name)
{
    if (name.size() >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const HoldStops hold;
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        note_debris(unit, debris_temp, name, fd);
        at_site(fio_site_temp);
    }
    return fd;
}

// A new temporary beside the target, as a stream; its descriptor in fd.
std::FILE* open_temp(int unit, Whole& w, int& fd)
{
    w.temp = w.target + ".XXXXXX";
    fd = make_temp(unit, w.temp);
    if (fd < 0 && errno == ENAMETOOLONG) {  // no room for the suffix: a short name beside it
        w.temp = folder_of(w.target) + "kavrin.XXXXXX";
        fd = make_temp(unit, w.temp);
    }
    if (fd < 0) {
        w.temp.clear();
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "w");
    if (f == nullptr) {
        const int err = errno;
        ::close(fd);
        ::unlink(w.temp.c_str());
        clear_debris(unit, debris_temp);
        w.temp.clear();
        errno = err;
    }
    return f;
}

// The old file's owner and mode go to the temporary that replaces it; a new file gets the
// mode any new file gets.
void take_over_mode(int fd, const std::string& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) { /* not ours to give: stays ours */ }
        ::fchmod(fd, st.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

// Writes all of data on fd (at offset `at` when at >= 0); 0 or errno.
int write_all(int fd, const char* data, std::size_t len, off_t at)
{
    std::size_t done = 0;
    while (done < len) {
        const ssize_t n = at >= 0 ? ::pwrite(fd, data + done, len - done, at + static_cast<off_t>(done))
                                  : ::write(fd, data + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The text of an in-place rewrite into the target. A regular file first gets room for the
// whole text, so a full disk leaves it as it was; then it is overwritten and cut to length.
// One of the process's own descriptors gets it where that descriptor stands, after what the
// standard streams hold: a transcript in a file goes on, neither cut nor replaced.
int put_in_place(Unit& u, Whole& w, bool keep_open)
{
    if (w.own_fd >= 0) {
        std::fflush(stdout);
        std::fflush(stderr);
    }
    const int fd = w.own_fd >= 0 ? ::fcntl(w.own_fd, F_DUPFD_CLOEXEC, 0)
                                 : ::open(w.target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    ::fstat(fd, &st);
    int err = 0;
    if (S_ISREG(st.st_mode) && w.own_fd < 0) {
        const int room = ::posix_fallocate(fd, 0, static_cast<off_t>(w.mem_len));
        if (room != 0 && room != EOPNOTSUPP && room != EINVAL) {
            if (::ftruncate(fd, st.st_size) != 0) { /* it never grew */ }
            err = room;
        }
        if (err == 0) err = write_all(fd, w.mem, w.mem_len, 0);
        if (err == 0 && ::ftruncate(fd, static_cast<off_t>(w.mem_len)) != 0) err = errno;
        if (err == 0 && ::lseek(fd, 0, SEEK_END) < 0) err = errno;
    } else {
        err = write_all(fd, w.mem, w.mem_len, -1);
    }
    std::FILE* f = err == 0 && keep_open ? ::fdopen(fd, "w") : nullptr;
    if (err == 0 && keep_open && f == nullptr) err = errno;
    if (f == nullptr) ::close(fd);
    if (err != 0) return err;
    std::fclose(u.f);
    std::free(w.mem);
    w.mem = nullptr;
    u.f = f;  // kept open: the unit goes on in the file itself
    return 0;
}

// The temporary becomes the file; its lock goes with it. Called while the stops are held.
int put_temp(int unit, Unit& u, Whole& w)
{
    take_over_mode(fileno(u.f), w.target);
    if (::rename(w.temp.c_str(), w.target.c_str()) != 0) return errno;
    clear_debris(unit, debris_temp);
    clear_debris(unit, debris_placeholder);
    w.temp.clear();
    if (w.temp_lock >= 0) {
        struct stat st {};
        ::fstat(w.temp_lock, &st);
        give_up(w.dev, w.ino);  // the old file is gone from the name
        held.push_back({st.st_dev, st.st_ino, w.temp_lock});
        w.temp_lock = -1;
    }
    return 0;
}

}  // namespace

void fio_detail::whole_drop(int unit)
{
    Unit& u = fio_detail::unit_slot(unit);
    Whole& w = whole_of(unit);
    if (u.f != nullptr) std::fclose(u.f);
    const HoldStops hold;
    if (!w.temp.empty()) ::unlink(w.temp.c_str());
    clear_debris(unit, debris_temp);
    if (w.temp_lock >= 0) ::close(w.temp_lock);
    if (w.placeholder) {  // still the empty file this rewrite made: the name goes back to none
        struct stat st {};
        if (::stat(w.target.c_str(), &st) == 0 && same_file(st, w.dev, w.ino) && st.st_size == 0)
            ::unlink(w.target.c_str());
    }
    clear_debris(unit, debris_placeholder);
    if (w.new_lock) give_up(w.dev, w.ino);
    std::free(w.mem);
    w = Whole{};
    u = Unit{};
}

bool fio_in_folder(std::string_view path)
{
    const std::string name = fio_detail::unit_path(path);
    std::string target;
    int own = -1;
    if (name.empty() || follow_links(name, target, own) != 0 || own >= 0 ||
        target.starts_with("/proc/"))
        return false;
    struct stat st {};
    return ::stat(target.c_str(), &st) != 0 ? errno == ENOENT : S_ISREG(st.st_mode);
}

int fio_open_whole(int unit, std::string_view path, bool lock)
{
    if (unit < 0 || unit > fio_max_unit) return EBADF;
    fio_close(unit);
    const std::string name = fio_detail::unit_path(path);
    if (name.empty()) return ENOENT;
    Whole w;
    struct stat st {};
    const bool exists = ::stat(name.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return EISDIR;
    // What is no regular file is written through its name, and a name of one of the
    // process's own descriptors (/dev/stdout) through that descriptor: neither names a
    // folder that could take a temporary.
    const int link_err = follow_links(name, w.target, w.own_fd);
    bool regular = (!exists || S_ISREG(st.st_mode)) && w.own_fd < 0;
    if (regular) {
        if (link_err != 0) return link_err;
        regular = !w.target.starts_with("/proc/");
    }
    if (!regular) w.target = name;
    // A file that may not be written is not replaced behind its back, folder or not.
    if (regular && exists && ::access(w.target.c_str(), W_OK) != 0) return errno;
    if (regular && exists && open_on_a_unit(st)) return EBUSY;

    std::FILE* f = nullptr;
    if (regular) {
        if (lock) {
            if (const int err = lock_target(unit, w); err != 0) {
                whole_of(unit) = std::move(w);
                fio_detail::whole_drop(unit);
                return err;
            }
        }
        int fd = -1;
        f = open_temp(unit, w, fd);
        const int err = errno;
        if (f != nullptr && lock) {
            w.temp_lock = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);  // like every descriptor here
            if (w.temp_lock >= 0) ::flock(w.temp_lock, LOCK_EX | LOCK_NB);
        }
        // A folder that takes no new file: a file there that may be written is rewritten in
        // place. Anything else is the reason the file cannot be written.
        if (f == nullptr && !((err == EACCES || err == EPERM || err == EROFS) && exists &&
                              ::access(w.target.c_str(), W_OK) == 0)) {
            whole_of(unit) = std::move(w);
            fio_detail::whole_drop(unit);
            return err;
        }
    }
    Whole& kept = whole_of(unit) = std::move(w);
    if (f == nullptr) f = ::open_memstream(&kept.mem, &kept.mem_len);
    Unit& u = fio_detail::unit_slot(unit);
    u = {f, name, true, true, false, false, fio_detail::Last::none};
    u.whole = true;
    u.writes = true;
    if (f != nullptr) return 0;
    const int err = errno;
    fio_detail::whole_drop(unit);
    return err;
}

namespace {

// Whether the rewrite goes into a regular file: its commit then takes a bounded time and may
// hold the stop signals; a FIFO or terminal may wait for its reader.
bool bounded(const Whole& w)
{
    if (!w.temp.empty()) return true;
    struct stat st {};
    return w.own_fd < 0 && ::stat(w.target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int put_one(int unit, bool keep_open)
{
    Unit& u = *unit_of(unit);
    Whole& w = whole_of(unit);
    const int err = w.temp.empty() ? put_in_place(u, w, keep_open) : put_temp(unit, u, w);
    if (err != 0) return err;
    clear_debris(unit, debris_placeholder);
    w = Whole{};
    u.whole = false;
    if (u.f == nullptr) u = Unit{};
    else if (!keep_open) fio_close(unit);
    return 0;
}

void drop_all(std::span<const FioPut> files)
{
    for (const FioPut& p : files)
        if (const Unit* u = unit_of(p.unit); u != nullptr && u->whole) fio_detail::whole_drop(p.unit);
}

}  // namespace

int fio_commit_all(std::span<const FioPut> files, int& failed)
{
    failed = -1;
    for (const FioPut& p : files) {
        Unit* u = unit_of(p.unit);
        const int err = u == nullptr || !u->whole ? EBADF : fio_detail::flush_error(*u);
        if (err != 0) {
            failed = p.unit;
            drop_all(files);
            return err;
        }
    }
    // FIFOs and terminals first, since they may wait; then the files of the folder together,
    // so a stop signal finds them all old or all new.
    for (int pass = 0; pass < 2; ++pass) {
        std::optional<HoldStops> hold;
        if (pass == 1) hold.emplace();
        bool first = true;
        for (const FioPut& p : files) {
            if (bounded(whole_of(p.unit)) != (pass == 1)) continue;
            if (!first) at_site(fio_site_between);
            first = false;
            if (const int err = put_one(p.unit, p.keep_open); err != 0) {
                failed = p.unit;
                fio_detail::whole_drop(p.unit);
                drop_all(files);
                return err;
            }
        }
    }
    return 0;
}

int fio_commit(int unit, bool keep_open)
{
    const FioPut one[] = {{unit, keep_open}};
    int failed = -1;
    return fio_commit_all(one, failed);
}

void fio_remove_temporaries() noexcept
{
    for (Debris& d : debris) {
        if (d.kind == debris_temp) {
            ::unlink(d.path);
        } else if (d.kind == debris_placeholder) {
            struct stat st {};
            if (::stat(d.path, &st) == 0 && same_file(st, d.dev, d.ino) && st.st_size == 0)
                ::unlink(d.path);
        }
    }
}

std::string_view fio_whole_temp(int unit)
{
    const Unit* u = unit_of(unit);
    if (u == nullptr || !u->whole) return {};
    return whole_of(unit).temp;
}

int fio_lock(int unit)
{
    Unit* u = unit_of(unit);
    if (u == nullptr || !u->owned) return EBADF;
    struct stat st {};
    if (::fstat(fileno(u->f), &st) != 0) return errno;
    // A descriptor of its own holds the lock, so closing the unit as the process ends does
    // not let another run in while this one still holds its other files.
    const int fd = ::fcntl(fileno(u->f), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return errno;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    held.push_back({st.st_dev, st.st_ino, fd});
    return 0;
}
