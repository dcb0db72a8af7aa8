// fio_whole_test.cpp -- whole-file rewrites: what the name points to gets all the lines or
// none, through links, into FIFOs and terminals, in folders that take no new file, on a full
// disk (a file-size limit), when closed before the end; the advisory locks between processes.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "fio.h"

namespace {

namespace fs = std::filesystem;

constexpr int unit = 41;
constexpr uid_t nobody = 65534;

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// The lines every rewrite here writes: enough of them that stdio flushes on the way.
std::string lines_text(int n)
{
    std::string t;
    for (int i = 1; i <= n; ++i) t += "line " + std::to_string(i) + " of the new text\n";
    return t;
}

int write_lines(int n)
{
    int err = 0;
    for (int i = 1; i <= n && err == 0; ++i)
        err = fio_write(unit, "('line ',I0,' of the new text')", {i});
    return err;
}

// Runs body in a child process; its exit status (-1 when it did not exit).
int in_child(const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int ws = 0;
    ::waitpid(pid, &ws, 0);
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
}

// The files of a folder, sorted, for "no temporary left behind".
std::string listing(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    std::string s;
    for (const auto& n : names) s += n + "\n";
    return s;
}

class FioWhole : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(testing::TempDir()) /
               ("fio_whole_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        fio_close(unit);
        for (const fs::path& d : {dir_, dir_ / "ro"})
            if (fs::exists(d)) fs::permissions(d, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    std::string at(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

// A new file and a replaced one; the old file's mode stays; nothing else in the folder.
TEST_F(FioWhole, NewAndReplacedFiles)
{
    ASSERT_EQ(fio_open_whole(unit, at("new.txt")), 0);
    EXPECT_EQ(listing(dir_).find("new.txt\n"), std::string::npos);  // not there before the end
    EXPECT_EQ(write_lines(300), 0);
    EXPECT_EQ(fio_commit(unit), 0);
    EXPECT_FALSE(fio_is_open(unit));
    EXPECT_EQ(slurp(at("new.txt")), lines_text(300));

    put(at("old.txt"), "old\n");
    fs::permissions(at("old.txt"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(fio_open_whole(unit, at("old.txt") + "  "), 0);  // trailing blanks are not the name
    EXPECT_EQ(write_lines(3), 0);
    EXPECT_EQ(slurp(at("old.txt")), "old\n");
    EXPECT_EQ(fio_commit(unit, true), 0);  // kept open: more lines follow the text
    EXPECT_EQ(fio_name(unit), at("old.txt"));
    fio_write(unit, "('after')");
    fio_close(unit);
    EXPECT_EQ(slurp(at("old.txt")), lines_text(3) + "after\n");
    EXPECT_EQ(fs::status(at("old.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(listing(dir_), "new.txt\nold.txt\n");
}

// Closed before the commit (as a stop or a signal closes every unit): the old file as it
// was, a new one never made, no temporary.
TEST_F(FioWhole, ClosedUncommittedLeavesTheFileAsItWas)
{
    put(at("old.txt"), "old\n");
    for (const char* name : {"old.txt", "none.txt"}) {
        ASSERT_EQ(fio_open_whole(unit, at(name), true), 0);
        write_lines(500);
        fio_close(unit);
    }
    EXPECT_EQ(slurp(at("old.txt")), "old\n");
    EXPECT_EQ(listing(dir_), "old.txt\n");
    EXPECT_EQ(fio_commit(unit), EBADF);

    ASSERT_EQ(fio_open_whole(unit, at("old.txt")), 0);
    write_lines(500);
    fio_close_all();
    EXPECT_EQ(listing(dir_), "old.txt\n");
}

// A symbolic link stays a link and its target is rewritten, the temporary beside the
// target; a link to a missing file makes that file; a loop of links is refused.
TEST_F(FioWhole, LinksAreFollowed)
{
    fs::create_directories(dir_ / "real");
    fs::create_directories(dir_ / "links");
    put(at("real/answer.txt"), "old\n");
    fs::create_symlink("../real/answer.txt", dir_ / "links/mid.lnk");
    fs::create_symlink("mid.lnk", dir_ / "links/answer.lnk");  // a chain, both relative
    fs::create_symlink(dir_ / "real/made.txt", dir_ / "links/dangling.lnk");
    struct LinkCase {
        const char* name;
        const char* target;
    };
    for (const LinkCase& c : {LinkCase{"links/answer.lnk", "real/answer.txt"},
                              LinkCase{"links/dangling.lnk", "real/made.txt"}}) {
        ASSERT_EQ(fio_open_whole(unit, at(c.name)), 0) << c.name;
        EXPECT_EQ(write_lines(50), 0);
        EXPECT_EQ(fio_commit(unit), 0) << c.name;
        EXPECT_TRUE(fs::is_symlink(at(c.name))) << c.name;
        EXPECT_EQ(slurp(at(c.target)), lines_text(50)) << c.name;
    }
    EXPECT_EQ(listing(dir_ / "real"), "answer.txt\nmade.txt\n");
    EXPECT_EQ(listing(dir_ / "links"), "answer.lnk\ndangling.lnk\nmid.lnk\n");

    fs::create_symlink("loop2", dir_ / "loop1");
    fs::create_symlink("loop1", dir_ / "loop2");
    EXPECT_EQ(fio_open_whole(unit, at("loop1")), ELOOP);
    EXPECT_EQ(fio_open_whole(unit, dir_.string()), EISDIR);
}

// A FIFO is written in place (never replaced by a file), for a reader the test runs.
TEST_F(FioWhole, FifoIsWrittenInPlace)
{
    ASSERT_EQ(::mkfifo(at("pipe").c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] { got = slurp(at("pipe")); });
    ASSERT_EQ(fio_open_whole(unit, at("pipe"), true), 0);
    EXPECT_EQ(write_lines(2000), 0);
    EXPECT_EQ(fio_commit(unit), 0);
    reader.join();
    EXPECT_EQ(got, lines_text(2000));
    EXPECT_TRUE(fs::is_fifo(at("pipe")));
    EXPECT_EQ(listing(dir_), "pipe\n");
}

// A name of one of the process's own descriptors (as /dev/stdout is) goes to what that
// descriptor is, in place: here a pipe the test made.
TEST_F(FioWhole, OwnDescriptorIsWrittenInPlace)
{
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    std::string got;
    std::thread reader([&] {
        char buf[4096];
        for (ssize_t n; (n = ::read(p[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(n));
    });
    const std::string name = "/proc/self/fd/" + std::to_string(p[1]);
    ASSERT_EQ(fio_open_whole(unit, name, true), 0);
    EXPECT_EQ(write_lines(100), 0);
    EXPECT_EQ(fio_commit(unit), 0);
    ::close(p[1]);
    reader.join();
    ::close(p[0]);
    EXPECT_EQ(got, lines_text(100));

    // A descriptor on a file (standard output sent to a transcript): the lines go on where
    // the descriptor stands, and so does what it writes next; nothing is cut or replaced.
    const int fd = ::open(at("out.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, "before\n", 7), 7);
    const std::string own = "/proc/self/fd/" + std::to_string(fd);
    fs::create_symlink(own, at("own"));  // a link to it, as /dev/stdout is
    for (const std::string& name : {own, at("own")}) {
        ASSERT_EQ(fio_open_whole(unit, name), 0) << name;
        EXPECT_EQ(write_lines(3), 0);
        EXPECT_EQ(fio_commit(unit), 0) << name;
    }
    ASSERT_EQ(::write(fd, "after\n", 6), 6);
    ::close(fd);
    EXPECT_EQ(slurp(at("out.txt")), "before\n" + lines_text(3) + lines_text(3) + "after\n");
    EXPECT_EQ(listing(dir_), "out.txt\nown\n");
}

// A terminal (a pseudo-terminal the test opens) is written in place too.
TEST_F(FioWhole, TerminalIsWrittenInPlace)
{
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);  // the lines as written, no CR added
    ::tcsetattr(slave, TCSANOW, &t);
    const std::string name = ::ttyname(slave);
    ASSERT_EQ(fio_open_whole(unit, name), 0);
    EXPECT_EQ(write_lines(20), 0);
    EXPECT_EQ(fio_commit(unit), 0);
    std::string got;
    char buf[4096];
    while (got.size() < lines_text(20).size()) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, lines_text(20));
    ::close(slave);
    ::close(master);
}

// As an ordinary user (root takes every folder, so a root run goes on as "nobody"). Returns
// 77 when the folder cannot be reached as that user.
int as_user(const std::string& dir, const std::function<int()>& body)
{
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0 ||
                             ::setresuid(nobody, nobody, nobody) != 0))
        return 77;
    if (::access(dir.c_str(), X_OK) != 0) return 77;
    return body();
}

// A folder that takes no new file: a writable file in it is rewritten in place, whole;
// a file that may not be written says so (Permission denied), as does a new name there.
TEST_F(FioWhole, FolderWithoutRoomForATemporary)
{
    fs::create_directories(dir_ / "ro");
    put(at("ro/answer.txt"), std::string(5000, 'o'));
    put(at("ro/locked.txt"), "old\n");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(at("ro/answer.txt").c_str(), nobody, nobody), 0);
        ::chmod(at("ro/locked.txt").c_str(), 0444);
    } else {
        ::chmod(at("ro/locked.txt").c_str(), 0444);
    }
    ::chmod(at("ro").c_str(), 0555);
    ::chmod(dir_.c_str(), 0755);
    const std::string ro = at("ro");
    const int rc = in_child([&] {
        return as_user(ro, [&] {
            if (fio_open_whole(unit, ro + "/answer.txt", true) != 0) return 1;
            if (write_lines(30) != 0 || fio_commit(unit, true) != 0) return 2;
            fio_write(unit, "('after')");
            fio_close(unit);
            if (fio_open_whole(unit, ro + "/locked.txt") != EACCES) return 3;
            if (fio_open_whole(unit, ro + "/new.txt") != EACCES) return 4;
            return 0;
        });
    });
    if (rc == 77) GTEST_SKIP() << "the test folder cannot be reached as an unprivileged user";
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(slurp(at("ro/answer.txt")), lines_text(30) + "after\n");  // cut to the new length
    EXPECT_EQ(slurp(at("ro/locked.txt")), "old\n");
    EXPECT_EQ(listing(dir_ / "ro"), "answer.txt\nlocked.txt\n");
}

// A file that may not be written is kept, also in a folder that takes new files (where a
// temporary could be renamed over it).
TEST_F(FioWhole, FileThatMayNotBeWrittenIsKept)
{
    const std::string path = at("kept.txt");
    put(path, "old\n");
    ::chmod(path.c_str(), 0444);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir_.c_str(), nobody, nobody), 0);
        ASSERT_EQ(::chown(path.c_str(), nobody, nobody), 0);
    }
    const int rc = in_child([&] {
        return as_user(dir_.string(), [&] {
            if (fio_open_whole(unit, path, true) != EACCES) return 1;
            return fio_open_whole(unit, path) == EACCES ? 0 : 2;
        });
    });
    if (rc == 77) GTEST_SKIP() << "the test folder cannot be reached as an unprivileged user";
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(slurp(path), "old\n");
    EXPECT_EQ(listing(dir_), "kept.txt\n");
}

// A file another unit writes (the log) is not replaced under it, by its name or a link's;
// once that unit is closed it may be.
TEST_F(FioWhole, FileOpenOnAnotherUnitIsKept)
{
    constexpr int log_unit = 42;
    ASSERT_EQ(fio_open(log_unit, at("log.txt")), 0);
    fio_write(log_unit, "('first')");
    fs::create_symlink("log.txt", at("link"));
    EXPECT_EQ(fio_open_whole(unit, at("log.txt"), true), EBUSY);
    EXPECT_EQ(fio_open_whole(unit, at("link")), EBUSY);
    fio_write(log_unit, "('second')");
    fio_close(log_unit);
    EXPECT_EQ(slurp(at("log.txt")), "first\nsecond\n");
    EXPECT_EQ(listing(dir_), "link\nlog.txt\n");
    ASSERT_EQ(fio_open_whole(unit, at("link")), 0);
    EXPECT_EQ(write_lines(1), 0);
    EXPECT_EQ(fio_commit(unit), 0);
    EXPECT_EQ(slurp(at("log.txt")), lines_text(1));
}

// A unit that only reads the file (an indirect file being replayed) does not keep it from
// being rewritten: it reads on in the old text, while the name gets the new one.
TEST_F(FioWhole, AReaderDoesNotBlockTheRewrite)
{
    constexpr int reader = 82;
    put(at("replayed.txt"), "old 1\nold 2\n");
    ASSERT_EQ(fio_open(reader, at("replayed.txt"), FStatus::old), 0);
    std::string line;
    ASSERT_EQ(fio_read_line(reader, line), 0);
    ASSERT_EQ(fio_open_whole(unit, at("replayed.txt"), true), 0);
    EXPECT_EQ(write_lines(2), 0);
    EXPECT_EQ(fio_commit(unit), 0);
    EXPECT_EQ(fio_read_line(reader, line), 0);
    EXPECT_EQ(line, "old 2");
    EXPECT_EQ(fio_read_line(reader, line), -1);
    fio_close(reader);
    EXPECT_EQ(slurp(at("replayed.txt")), lines_text(2));
    EXPECT_EQ(listing(dir_), "replayed.txt\n");
}

// Several rewrites put as one: a failure of any (here a file-size limit on one) leaves
// every file as it was, and no temporary; otherwise all get their lines.
TEST_F(FioWhole, CommitAllIsAllOrNone)
{
    constexpr int other = 43;
    put(at("a.txt"), "old a\n");
    put(at("b.txt"), "old b\n");
    const int status = in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{200, 200};
        setrlimit(RLIMIT_FSIZE, &lim);
        if (fio_open_whole(unit, at("a.txt")) != 0 || fio_open_whole(other, at("b.txt")) != 0)
            return 10;
        write_lines(2);  // fits
        for (int i = 0; i < 40; ++i) fio_write(other, "('a line too many for the limit')");
        const FioPut both[] = {{unit, false}, {other, false}};
        int failed = -1;
        const int err = fio_commit_all(both, failed);
        return err == EFBIG && failed == other && !fio_is_open(unit) && !fio_is_open(other) ? 0 : 11;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(slurp(at("a.txt")), "old a\n");
    EXPECT_EQ(slurp(at("b.txt")), "old b\n");
    EXPECT_EQ(listing(dir_), "a.txt\nb.txt\n");

    ASSERT_EQ(fio_open_whole(unit, at("a.txt")), 0);
    ASSERT_EQ(fio_open_whole(other, at("new.txt")), 0);
    write_lines(1);
    fio_write(other, "('b')");
    const FioPut both[] = {{unit, false}, {other, true}};
    int failed = -1;
    EXPECT_EQ(fio_commit_all(both, failed), 0);
    EXPECT_EQ(failed, -1);
    EXPECT_FALSE(fio_is_open(unit));
    ASSERT_TRUE(fio_is_open(other));  // kept open: more lines follow
    fio_write(other, "('more')");
    fio_close(other);
    EXPECT_EQ(slurp(at("a.txt")), lines_text(1));
    EXPECT_EQ(slurp(at("new.txt")), "b\nmore\n");
    EXPECT_EQ(listing(dir_), "a.txt\nb.txt\nnew.txt\n");
}

// What a stop signal's handler removes: the temporaries of rewrites under way and the
// placeholder a locked rewrite made for a new name, not a file that was there before.
TEST_F(FioWhole, SignalHandlerRemovesWhatRewritesMade)
{
    put(at("old.txt"), "old\n");
    const int status = in_child([&] {
        if (fio_open_whole(unit, at("old.txt"), true) != 0) return 10;
        if (fio_open_whole(43, at("new.txt"), true) != 0) return 11;
        write_lines(3);
        fio_remove_temporaries();  // as the handler does, then the process ends at once
        _exit(0);
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(slurp(at("old.txt")), "old\n");
    EXPECT_EQ(listing(dir_), "old.txt\n");
}

// The names a table row may be put beside.
TEST_F(FioWhole, InFolder)
{
    put(at("file.txt"), "x\n");
    ::mkfifo(at("pipe").c_str(), 0644);
    fs::create_symlink("/proc/self/fd/1", at("own"));
    fs::create_symlink("file.txt", at("link"));
    EXPECT_TRUE(fio_in_folder(at("file.txt")));
    EXPECT_TRUE(fio_in_folder(at("link")));
    EXPECT_TRUE(fio_in_folder(at("missing.txt")));
    EXPECT_FALSE(fio_in_folder(at("pipe")));
    EXPECT_FALSE(fio_in_folder(at("own")));
    EXPECT_FALSE(fio_in_folder("/dev/stdout"));
    EXPECT_FALSE(fio_in_folder(dir_.string()));
}

// A full disk, made by a file-size limit: the write's own reason (File too large), the old
// file whole, no temporary; the same when the file is rewritten in place.
TEST_F(FioWhole, FullDiskKeepsTheOldFile)
{
    put(at("answer.txt"), "old\n");
    fs::create_directories(dir_ / "ro");
    const std::string old_ro(3000, 'o');
    put(at("ro/answer.txt"), old_ro);
    if (::geteuid() == 0) ::chown(at("ro/answer.txt").c_str(), nobody, nobody);
    ::chmod(at("ro").c_str(), 0555);
    const std::string dir = dir_.string();
    const int rc = in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{4000, 4000};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        if (fio_open_whole(unit, dir + "/answer.txt") != 0) return 1;
        const int during = write_lines(400);  // ~10 kB: stdio fails on the way...
        const int end = fio_commit(unit);     // ...and the commit says why
        if (during != EFBIG || end != EFBIG) return 2;
        if (fio_is_open(unit)) return 3;
        return as_user(dir + "/ro", [&] {
            if (fio_open_whole(unit, dir + "/ro/answer.txt") != 0) return 4;
            write_lines(400);  // into memory: nothing fails before the text is put in place
            return fio_commit(unit) == EFBIG ? 0 : 5;
        });
    });
    EXPECT_TRUE(rc == 0 || rc == 77) << rc;
    EXPECT_EQ(slurp(at("answer.txt")), "old\n");
    EXPECT_EQ(slurp(at("ro/answer.txt")), old_ro);
    EXPECT_EQ(listing(dir_), "answer.txt\nro\n");
    EXPECT_EQ(listing(dir_ / "ro"), "answer.txt\n");
    if (rc == 77) GTEST_SKIP() << "the in-place case needs a folder an unprivileged user can reach";
}

// Another process holding the file's lock refuses a locked rewrite (an unlocked one goes
// on); this process's own lock never refuses it; a rewritten file carries the lock on.
TEST_F(FioWhole, LocksBetweenProcesses)
{
    const std::string path = at("answer.txt");
    put(path, "old\n");
    int to_child[2], from_child[2];
    ASSERT_EQ(::pipe(to_child), 0);
    ASSERT_EQ(::pipe(from_child), 0);
    std::fflush(nullptr);
    const pid_t holder = ::fork();
    if (holder == 0) {  // holds the file's lock until told to let go
        const int fd = ::open(path.c_str(), O_RDONLY);
        ::flock(fd, LOCK_EX);
        char c = 'h';
        if (::write(from_child[1], &c, 1) != 1 || ::read(to_child[0], &c, 1) != 1) ::_exit(1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(from_child[0], &c, 1), 1);
    EXPECT_EQ(fio_open_whole(unit, path, true), EWOULDBLOCK);
    EXPECT_EQ(slurp(path), "old\n");
    EXPECT_EQ(listing(dir_), "answer.txt\n");
    EXPECT_EQ(fio_open_whole(unit, path, false), 0);
    fio_close(unit);
    ASSERT_EQ(::write(to_child[1], &c, 1), 1);
    ::waitpid(holder, nullptr, 0);

    for (int round = 0; round < 2; ++round) {  // the second time the lock is already ours
        ASSERT_EQ(fio_open_whole(unit, path, true), 0) << round;
        write_lines(2);
        ASSERT_EQ(fio_commit(unit), 0) << round;
    }
    const int rc = in_child([&] {
        const int fd = ::open(path.c_str(), O_RDONLY);
        return ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
}

// A unit's write error is its reason, not "it failed"; the log's lock refuses a second one.
TEST_F(FioWhole, WriteErrorsAndUnitLocks)
{
    const std::string path = at("log.txt");
    const int rc = in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        if (fio_open(unit, path) != 0) return 1;
        int err = 0;
        for (int i = 0; i < 2000 && err == 0; ++i) err = fio_write(unit, "('a log line')");
        return err == EFBIG ? 0 : 2;
    });
    EXPECT_EQ(rc, 0);
    ASSERT_EQ(fio_open(unit, path), 0);
    EXPECT_EQ(fio_lock(unit), 0);
    EXPECT_EQ(in_child([&] {
        if (fio_open(unit, path) != 0) return 1;
        return fio_lock(unit) == EWOULDBLOCK ? 0 : 2;
    }), 0);
    // The lock outlives the unit: a run that closes its log while it ends still holds it.
    fio_close(unit);
    EXPECT_EQ(in_child([&] {
        if (fio_open(unit, path) != 0) return 1;
        return fio_lock(unit) == EWOULDBLOCK ? 0 : 2;
    }), 0);
    EXPECT_EQ(fio_lock(fio_stdout), EBADF);
}

}  // namespace
