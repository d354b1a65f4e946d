// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later

// plindor_faultfs BACKING MOUNTPOINT [switches] [fuse options]
//
// A passthrough of the folder BACKING that fails on demand the way FUSE drivers of USB sticks and network shares do,
// so that the mover's tests meet those faults on a real mount. Runs in the foreground until unmounted.
//
// Files removed or replaced while open are gone at once (no .fuse_hidden files in the tree), unless --hide-open asks
// for libfuse's default, which renames them to .fuse_hidden* until closed. Without it their descriptors still read,
// write and ftruncate, but what the kernel asks by path for them (fstat, fchmod, the capability check before a write)
// may answer ESTALE.
#define FUSE_USE_VERSION 35
#include <fuse.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace
{

struct Faults {
    bool sizeZero = false;
    bool noRenameFlags = false;
    bool noLinks = false;
    bool noChmod = false;
    bool noChown = false;
    bool noUtimens = false;
    bool noXattr = false;
    bool fatNamesLose = false;
    bool hideOpen = false;
    bool fsyncdirFails = false;
    bool movingUnlinkFails = false; ///< unlink of an item taken aside answers EIO and leaves it
    bool movingUnlinkLies = false; ///< unlink of an item taken aside removes it and answers EIO, as a retried NFS call
    bool slowLookups = false; ///< looking a path up waits --delay-ms too, as on a mount that does not answer
    int delayMs = 0;
};

struct State {
    int backing = -1;
    std::string procBacking; // the backing folder by its descriptor, for the xattr calls that have no *at form
    Faults faults;
};

State &state()
{
    return *static_cast<State *>(fuse_get_context()->private_data);
}

const Faults &faults()
{
    return state().faults;
}

// FUSE paths start with '/'; the *at() calls want them relative to the backing folder.
const char *rel(const char *path)
{
    return path[1] == '\0' ? "." : path + 1;
}

std::string procPath(const char *path)
{
    return state().procBacking + path;
}

int result(int returned)
{
    return returned < 0 ? -errno : 0;
}

void delay()
{
    if (faults().delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(faults().delayMs));
}

// What a FAT driver cannot store in a name.
bool fatForbidden(const char *path)
{
    const char *last = std::strrchr(path, '/');
    return std::strpbrk(last ? last + 1 : path, "\\:*?\"<>|") != nullptr;
}

// New entries belong to the caller, as on a kernel file system, so mode bits hold for a test acting as another user.
int own(const char *path)
{
    const fuse_context *context = fuse_get_context();
    if (::geteuid() != 0 || context->uid == 0)
        return 0;
    return result(::fchownat(state().backing, rel(path), context->uid, context->gid, AT_SYMLINK_NOFOLLOW));
}

int made(int returned, const char *path)
{
    return returned < 0 ? -errno : own(path);
}

void *init(fuse_conn_info *, fuse_config *config)
{
    // Tests change the backing folder behind the mount's back; nothing may be cached.
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->use_ino = 1;
    config->readdir_ino = 1;
    // No .fuse_hidden files in the tree listings unless asked for; open files keep working through their descriptors.
    config->hard_remove = faults().hideOpen ? 0 : 1;
    config->nullpath_ok = 1;
    return fuse_get_context()->private_data;
}

int getattr(const char *path, struct stat *st, fuse_file_info *fi)
{
    if (faults().slowLookups)
        delay();
    const int returned = fi ? ::fstat(int(fi->fh), st) : ::fstatat(state().backing, rel(path), st, AT_SYMLINK_NOFOLLOW);
    if (returned < 0)
        return -errno;
    if (faults().sizeZero && S_ISREG(st->st_mode)) {
        st->st_size = 0;
        st->st_blocks = 0;
    }
    return 0;
}

int readlink(const char *path, char *buffer, size_t size)
{
    const ssize_t length = ::readlinkat(state().backing, rel(path), buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

int mknod(const char *path, mode_t mode, dev_t device)
{
    if (faults().fatNamesLose && fatForbidden(path))
        return -EINVAL;
    return made(::mknodat(state().backing, rel(path), mode, device), path);
}

int mkdir(const char *path, mode_t mode)
{
    if (faults().fatNamesLose && fatForbidden(path))
        return -EINVAL;
    return made(::mkdirat(state().backing, rel(path), mode), path);
}

bool isMoving(std::string_view path)
{
    return path.size() > 7 && path.substr(path.size() - 7) == ".moving";
}

int unlink(const char *path)
{
    if (faults().movingUnlinkFails && isMoving(path))
        return -EIO;
    const int done = result(::unlinkat(state().backing, rel(path), 0));
    return done == 0 && faults().movingUnlinkLies && isMoving(path) ? -EIO : done;
}

int rmdir(const char *path)
{
    return result(::unlinkat(state().backing, rel(path), AT_REMOVEDIR));
}

int symlink(const char *target, const char *path)
{
    if (faults().fatNamesLose && fatForbidden(path))
        return -EINVAL;
    return made(::symlinkat(target, state().backing, rel(path)), path);
}

int rename(const char *from, const char *to, unsigned int flags)
{
    delay();
    if (flags != 0 && faults().noRenameFlags)
        return -EINVAL;
    if (faults().fatNamesLose && fatForbidden(to)) {
        // The faulty driver drops the directory entry before it finds it cannot write the new one.
        if (::unlinkat(state().backing, rel(from), 0) < 0)
            ::unlinkat(state().backing, rel(from), AT_REMOVEDIR);
        return -EIO;
    }
    return result(::renameat2(state().backing, rel(from), state().backing, rel(to), flags));
}

int link(const char *from, const char *to)
{
    if (faults().noLinks)
        return -EPERM;
    return result(::linkat(state().backing, rel(from), state().backing, rel(to), 0));
}

int chmod(const char *path, mode_t mode, fuse_file_info *fi)
{
    if (faults().noChmod)
        return -ENOSYS;
    return result(fi ? ::fchmod(int(fi->fh), mode) : ::fchmodat(state().backing, rel(path), mode, 0));
}

int chown(const char *path, uid_t uid, gid_t gid, fuse_file_info *fi)
{
    if (faults().noChown)
        return -ENOSYS;
    return result(fi ? ::fchown(int(fi->fh), uid, gid)
                     : ::fchownat(state().backing, rel(path), uid, gid, AT_SYMLINK_NOFOLLOW));
}

int truncate(const char *path, off_t size, fuse_file_info *fi)
{
    if (fi)
        return result(::ftruncate(int(fi->fh), size));
    const int fd = ::openat(state().backing, rel(path), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    const int returned = result(::ftruncate(fd, size));
    ::close(fd);
    return returned;
}

int utimens(const char *path, const timespec times[2], fuse_file_info *fi)
{
    if (faults().noUtimens)
        return -ENOSYS;
    return result(fi ? ::futimens(int(fi->fh), times)
                     : ::utimensat(state().backing, rel(path), times, AT_SYMLINK_NOFOLLOW));
}

// FUSE bridges that cannot tell a file's size read with direct I/O, so the content still arrives to its end.
void opened(fuse_file_info *fi, int fd)
{
    fi->fh = uint64_t(fd);
    fi->direct_io = faults().sizeZero ? 1 : 0;
}

int open(const char *path, fuse_file_info *fi)
{
    const int fd = ::openat(state().backing, rel(path), fi->flags | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    opened(fi, fd);
    return 0;
}

int create(const char *path, mode_t mode, fuse_file_info *fi)
{
    delay();
    if (faults().fatNamesLose && fatForbidden(path))
        return -EINVAL;
    const int fd = ::openat(state().backing, rel(path), fi->flags | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        return -errno;
    opened(fi, fd);
    const int owned = own(path);
    if (owned < 0)
        ::close(fd);
    return owned;
}

int read(const char *, char *buffer, size_t size, off_t offset, fuse_file_info *fi)
{
    const ssize_t count = ::pread(int(fi->fh), buffer, size, offset);
    return count < 0 ? -errno : int(count);
}

int write(const char *, const char *buffer, size_t size, off_t offset, fuse_file_info *fi)
{
    const ssize_t count = ::pwrite(int(fi->fh), buffer, size, offset);
    return count < 0 ? -errno : int(count);
}

int statfs(const char *, struct statvfs *st)
{
    return result(::fstatvfs(state().backing, st));
}

int release(const char *, fuse_file_info *fi)
{
    ::close(int(fi->fh));
    return 0;
}

int fsync(const char *, int dataOnly, fuse_file_info *fi)
{
    return result(dataOnly ? ::fdatasync(int(fi->fh)) : ::fsync(int(fi->fh)));
}

int setxattr(const char *path, const char *name, const char *value, size_t size, int flags)
{
    if (faults().noXattr)
        return -EOPNOTSUPP;
    return result(::lsetxattr(procPath(path).c_str(), name, value, size, flags));
}

int getxattr(const char *path, const char *name, char *value, size_t size)
{
    if (faults().noXattr)
        return -EOPNOTSUPP;
    const ssize_t length = ::lgetxattr(procPath(path).c_str(), name, value, size);
    return length < 0 ? -errno : int(length);
}

int listxattr(const char *path, char *list, size_t size)
{
    if (faults().noXattr)
        return -EOPNOTSUPP;
    const ssize_t length = ::llistxattr(procPath(path).c_str(), list, size);
    return length < 0 ? -errno : int(length);
}

int removexattr(const char *path, const char *name)
{
    if (faults().noXattr)
        return -EOPNOTSUPP;
    return result(::lremovexattr(procPath(path).c_str(), name));
}

int opendir(const char *path, fuse_file_info *fi)
{
    const int fd = ::openat(state().backing, rel(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    fi->fh = uint64_t(fd);
    return 0;
}

int readdir(const char *, void *buffer, fuse_fill_dir_t fill, off_t, fuse_file_info *fi, fuse_readdir_flags)
{
    // A fresh stream each time, so the listing is current and the directory's own descriptor stays untouched.
    const int fd = ::openat(int(fi->fh), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return -error;
    }
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st {
        };
        st.st_ino = entry->d_ino;
        st.st_mode = mode_t(DTTOIF(entry->d_type));
        if (fill(buffer, entry->d_name, &st, 0, fuse_fill_dir_flags(0)) != 0)
            break;
    }
    ::closedir(dir);
    return 0;
}

// A driver whose disk fails to write a folder's entries answers EIO to its fsync.
int fsyncdir(const char *, int dataOnly, fuse_file_info *fi)
{
    if (faults().fsyncdirFails)
        return -EIO;
    return result(dataOnly ? ::fdatasync(int(fi->fh)) : ::fsync(int(fi->fh)));
}

int releasedir(const char *, fuse_file_info *fi)
{
    ::close(int(fi->fh));
    return 0;
}

fuse_operations operations()
{
    fuse_operations ops {};
    ops.init = init;
    ops.getattr = getattr;
    ops.readlink = readlink;
    ops.mknod = mknod;
    ops.mkdir = mkdir;
    ops.unlink = unlink;
    ops.rmdir = rmdir;
    ops.symlink = symlink;
    ops.rename = rename;
    ops.link = link;
    ops.chmod = chmod;
    ops.chown = chown;
    ops.truncate = truncate;
    ops.utimens = utimens;
    ops.open = open;
    ops.create = create;
    ops.read = read;
    ops.write = write;
    ops.statfs = statfs;
    ops.release = release;
    ops.fsync = fsync;
    ops.setxattr = setxattr;
    ops.getxattr = getxattr;
    ops.listxattr = listxattr;
    ops.removexattr = removexattr;
    ops.opendir = opendir;
    ops.readdir = readdir;
    ops.fsyncdir = fsyncdir;
    ops.releasedir = releasedir;
    return ops;
}

// Takes a switch of ours; anything else is left for FUSE's own option parser.
bool takeSwitch(std::string_view arg, Faults &faults)
{
    const std::pair<std::string_view, bool Faults::*> switches[] = {
        { "--size-zero", &Faults::sizeZero },
        { "--no-rename-flags", &Faults::noRenameFlags },
        { "--no-links", &Faults::noLinks },
        { "--no-chmod", &Faults::noChmod },
        { "--no-chown", &Faults::noChown },
        { "--no-utimens", &Faults::noUtimens },
        { "--no-xattr", &Faults::noXattr },
        { "--fat-names-lose", &Faults::fatNamesLose },
        { "--hide-open", &Faults::hideOpen },
        { "--fsyncdir-fails", &Faults::fsyncdirFails },
        { "--moving-unlink-fails", &Faults::movingUnlinkFails },
        { "--moving-unlink-lies", &Faults::movingUnlinkLies },
        { "--slow-lookups", &Faults::slowLookups },
    };
    for (const auto &[name, member] : switches) {
        if (arg == name) {
            faults.*member = true;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s BACKING MOUNTPOINT [--size-zero] [--no-rename-flags] [--no-links] [--no-chmod]\n"
                     "       [--no-chown] [--no-utimens] [--no-xattr] [--fat-names-lose] [--hide-open]\n"
                     "       [--fsyncdir-fails] [--moving-unlink-fails] [--moving-unlink-lies] [--delay-ms N]\n"
                     "       [--slow-lookups]\n"
                     "       [-o opts]\n",
                     argv[0]);
        return 2;
    }
    // A test that crashes must not leave its mount behind: libfuse unmounts on SIGTERM.
    const pid_t parent = ::getppid();
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent)
        return 1;
    State fs;
    fs.backing = ::open(argv[1], O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fs.backing < 0) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", argv[0], argv[1], std::strerror(errno));
        return 1;
    }
    fs.procBacking = "/proc/self/fd/" + std::to_string(fs.backing);
    // Several threads, so that a test can run a second call while --delay-ms holds up the first.
    char foreground[] = "-f";
    char option[] = "-o";
    // Mode bits decide who may do what, and tests that act as another user reach the mount too.
    char permissions[] = "default_permissions,allow_other";
    std::vector<char *> fuseArgs { argv[0], argv[2], foreground, option, permissions };
    for (int i = 3; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--delay-ms" && i + 1 < argc)
            fs.faults.delayMs = std::atoi(argv[++i]);
        else if (!takeSwitch(argv[i], fs.faults))
            fuseArgs.push_back(argv[i]);
    }
    // The kernel has applied the caller's umask already.
    ::umask(0);
    const fuse_operations ops = operations();
    return fuse_main(int(fuseArgs.size()), fuseArgs.data(), &ops, &fs);
}
