// The host calls of the simulated machine on a POSIX system, whose names are UTF-8 already.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/virtual/HostAccess.h"

namespace lorvel::platform::virt {

namespace {

constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ull;

void StatusOf(const struct stat& st, HostStatus& status)
{
    status.directory = S_ISDIR(st.st_mode);
    status.size = status.directory ? 0 : static_cast<std::uint64_t>(st.st_size);
    status.writeTime = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 10000000ull +
                       static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100 + kUnixEpochFileTime;
}

struct timespec TimeSpecOf(std::uint64_t fileTime)
{
    const std::uint64_t hundredNs = fileTime > kUnixEpochFileTime ? fileTime - kUnixEpochFileTime : 0;
    struct timespec time {};
    time.tv_sec = static_cast<time_t>(hundredNs / 10000000ull);
    time.tv_nsec = static_cast<long>((hundredNs % 10000000ull) * 100);
    return time;
}

bool CopyByReading(int in, int out)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got <= 0) return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote <= 0) return false;
            done += wrote;
        }
    }
}

// size: what the machine knows the source holds, so no call is spent finding its end.
bool CopyBytes(int in, int out, std::uint64_t size)
{
    // The kernel copies without the bytes passing through here where it can.
    for (std::uint64_t done = 0; done < size;) {
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, size - done, 0);
        if (copied == 0) return true;
        if (copied < 0) {
            const bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
            return unsupported && CopyByReading(in, out);
        }
        done += static_cast<std::uint64_t>(copied);
    }
    return true;
}

std::string Convert(const std::string& text, const char* from, const char* to)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in = text;
    std::string out(text.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::filesystem::path HostFsPath(const std::string& host)
{
    return host;
}

std::string HostText(const std::filesystem::path& path)
{
    return path.native();
}

bool StatHost(const std::string& host, HostStatus& status)
{
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0) return false;
    if (!S_ISLNK(st.st_mode)) {
        StatusOf(st, status);
        return true;
    }
    // A link whose target is gone is still there, as a link to a folder that is not.
    struct stat target {};
    if (::stat(host.c_str(), &target) == 0)
        StatusOf(target, status);
    else
        status = HostStatus{true, 0, 0, false};
    status.link = true;
    return true;
}

void SetHostWriteTime(const std::string& host, std::uint64_t fileTime)
{
    const struct timespec times[2] = {TimeSpecOf(fileTime), TimeSpecOf(fileTime)};
    ::utimensat(AT_FDCWD, host.c_str(), times, 0);
}

bool CopyHostFile(const std::string& from, const std::string& to, std::uint64_t size, std::uint64_t fileTime,
                  HostStatus& status)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = out >= 0 && CopyBytes(in, out, size);
    if (ok) {
        const struct timespec times[2] = {TimeSpecOf(fileTime), TimeSpecOf(fileTime)};
        struct stat st {};
        ok = ::futimens(out, times) == 0 && ::fstat(out, &st) == 0;
        if (ok) StatusOf(st, status);
    }
    if (out >= 0 && ::close(out) != 0) ok = false;
    ::close(in);
    return ok;
}

bool WriteNewHostFile(const std::string& host, const std::string& bytes)
{
    const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) break;
        done += static_cast<std::size_t>(wrote);
    }
    const bool closed = ::close(fd) == 0;
    if (done == bytes.size() && closed) return true;
    ::unlink(host.c_str());
    return false;
}

bool ReplaceHostFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string ShiftJisToUtf8(const std::string& sjis)
{
    return Convert(sjis, "CP932", "UTF-8");
}

// The C library's code page 932 takes some characters one way, as the system's best
// fit does (U+00A5 YEN SIGN to 0x5C, "\"; U+203E OVERLINE to "~"): a name counts as
// Shift-JIS only when it reads back as itself, else a host file "A<U+00A5>B" would be
// listed as "A\B", file B in folder A.
std::string Utf8ToShiftJis(const std::string& utf8)
{
    std::string sjis = Convert(utf8, "UTF-8", "CP932");
    if (sjis.empty() || Convert(sjis, "CP932", "UTF-8") != utf8) return {};
    return sjis;
}

}  // namespace lorvel::platform::virt
