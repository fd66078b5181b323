#include "tools/sim/cli/input_files.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "tools/sim/cli/exit_status.h"

namespace simtool {

namespace {

namespace fs = std::filesystem;

constexpr unsigned long long kKilobyte = 1024;
constexpr unsigned long long kMegabyte = 1024 * 1024;
// The piece of a file read at a time.
constexpr size_t kReadChunk = 65536;

// Why a file call failed, in the same words on every system.
std::string Reason(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "permission denied";
    case ENOENT:
        return "no such file";
    case EISDIR:
        return "it is a folder";
    case ENOTDIR:
        return "a part of its path is not a folder";
    case ENOSPC:
        return "the disk is full";
    case EROFS:
        return "the file system is read-only";
    case EMFILE:
    case ENFILE:
        return "too many files are open";
    case EFBIG:
        return "the file would be too large";
    case EINVAL:
        return "the name is not valid here";
    case EBUSY:
        return "it is in use";
    default: {
        std::string text = strerror(error);
        if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
            text[0] = static_cast<char>(text[0] - 'A' + 'a');
        }
        return text;
    }
    }
}

std::string Reason(const std::error_code& ec) {
    const std::pair<std::errc, int> known[] = {
        {std::errc::permission_denied, EACCES},         {std::errc::operation_not_permitted, EPERM},
        {std::errc::no_such_file_or_directory, ENOENT}, {std::errc::is_a_directory, EISDIR},
        {std::errc::not_a_directory, ENOTDIR},          {std::errc::no_space_on_device, ENOSPC},
        {std::errc::read_only_file_system, EROFS},      {std::errc::invalid_argument, EINVAL},
        {std::errc::filename_too_long, ENAMETOOLONG},
    };
    for (const auto& [condition, error] : known) {
        if (ec == condition) {
            return Reason(error);
        }
    }
    return ec.message();
}

// What a path names when that is not a file: "" for a file.
std::string NotAFile(const fs::file_status& st) {
    switch (st.type()) {
    case fs::file_type::regular:
        return "";
    case fs::file_type::directory:
        return "is a folder, not a file";
    case fs::file_type::character:
    case fs::file_type::block:
        return "is a device, not a file";
    case fs::file_type::fifo:
        return "is a pipe, not a file";
    case fs::file_type::socket:
        return "is a socket, not a file";
    default:
        return "is not a file";
    }
}

#if defined(_WIN32)
// Windows' devices (NUL, CON, COM1 ...) are names in every folder that the
// file system's calls do not find: the handle says what they are.
std::string WindowsDevice(const std::string& path) {
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return "";
    }
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_CHAR   ? "is a device, not a file"
           : type == FILE_TYPE_PIPE ? "is a pipe, not a file"
                                    : "";
}
#else
std::string WindowsDevice(const std::string&) {
    return "";
}
#endif

} // namespace

std::string SizeText(unsigned long long bytes) {
    if (bytes >= kMegabyte) {
        return std::to_string(bytes / kMegabyte) + " MB";
    }
    if (bytes >= kKilobyte) {
        return std::to_string(bytes / kKilobyte) + " KB";
    }
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

int CheckInput(const std::string& path, std::string* problem) {
    const std::string device = WindowsDevice(path);
    if (!device.empty()) {
        *problem = path + ": " + device;
        return kExitUnreadable;
    }
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found || ec == std::errc::no_such_file_or_directory) {
        *problem = path + ": no such file";
        return kExitUnreadable;
    }
    if (ec) {
        *problem = path + ": cannot be read: " + Reason(ec);
        return kExitUnreadable;
    }
    const std::string what = NotAFile(st);
    if (!what.empty()) {
        *problem = path + ": " + what;
        return kExitUnreadable;
    }
    errno = 0;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *problem = path + ": cannot be read: " + Reason(errno);
        return kExitUnreadable;
    }
    fclose(f);
    return kExitDone;
}

int ReadInput(const std::string& path, size_t most, const char* what, std::string* text,
              std::string* problem) {
    const int checked = CheckInput(path, problem);
    if (checked != kExitDone) {
        return checked;
    }
    const auto tooLarge = [&](unsigned long long size) {
        *problem = path + ": is " + SizeText(size) + ", more than " + what + " can be (at most " +
                   SizeText(most) + ")";
        return kExitRefused;
    };
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > most) {
        return tooLarge(size);
    }
    errno = 0;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *problem = path + ": cannot be read: " + Reason(errno);
        return kExitUnreadable;
    }
    // Read up to one piece more than allowed: a file that grew meanwhile is
    // refused as well, and nothing more is taken into memory.
    text->clear();
    std::string chunk(kReadChunk, '\0');
    size_t n;
    while ((n = fread(&chunk[0], 1, chunk.size(), f)) > 0 && text->size() <= most) {
        text->append(chunk, 0, n);
    }
    const bool failed = ferror(f) != 0;
    const int error = errno;
    fclose(f);
    if (failed) {
        *problem = path + ": cannot be read: " + Reason(error);
        return kExitUnreadable;
    }
    if (text->size() > most) {
        const unsigned long long seen = text->size();
        text->clear();
        return tooLarge(seen);
    }
    return kExitDone;
}

int OutputFile::Open(const std::string& path, std::string* problem) {
    path_ = path;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        *problem = path + ": cannot be written: it is a folder";
        return kExitUnwritable;
    }
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty() && !fs::exists(folder, ec)) {
        *problem = path + ": cannot be written: there is no folder " + folder.string();
        return kExitUnwritable;
    }
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        *problem = path + ": cannot be written: " + folder.string() + " is not a folder";
        return kExitUnwritable;
    }
    created_ = !fs::exists(path, ec);
    errno = 0;
    file_.open(path, std::ios::binary);
    if (!file_) {
        *problem = path + ": cannot be written: " + Reason(errno != 0 ? errno : EACCES);
        return kExitUnwritable;
    }
    return kExitDone;
}

int OutputFile::Close(std::string* problem) {
    errno = 0;
    file_.flush();
    const int error = errno;
    const bool written = static_cast<bool>(file_);
    file_.close();
    if (!written || !file_) {
        // A write that failed before this flush left the stream bad and its
        // reason behind: a full disk is the likely one.
        std::error_code ec;
        const fs::path folder = fs::absolute(path_, ec).parent_path();
        const bool full = error == 0 && fs::space(folder, ec).available == 0 && !ec;
        *problem = path_ + ": cannot be written: " +
                   (error != 0 ? Reason(error)
                    : full     ? Reason(ENOSPC)
                               : std::string("not all of it reached it"));
        return kExitUnwritable;
    }
    return kExitDone;
}

void OutputFile::Discard() {
    if (!file_.is_open()) {
        return;
    }
    file_.close();
    // Only a file this command made: never a device such as /dev/null, nor
    // a file that was there before.
    std::error_code ec;
    if (created_ && fs::is_regular_file(path_, ec)) {
        fs::remove(path_, ec);
    }
}

int OpenOutput(const std::string& path, OutputFile* file, std::ostream& err) {
    std::string problem;
    if (path.empty() || file->Open(path, &problem) == kExitDone) {
        return kExitDone;
    }
    err << "lumenfold-sim: " << problem << "\n";
    return kExitUnwritable;
}

int CloseOutput(const std::string& path, OutputFile* file, std::ostream& err) {
    std::string problem;
    if (path.empty() || file->Close(&problem) == kExitDone) {
        return kExitDone;
    }
    err << "lumenfold-sim: " << problem << "\n";
    return kExitUnwritable;
}

} // namespace simtool
