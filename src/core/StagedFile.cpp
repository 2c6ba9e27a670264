#include "core/StagedFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace fs = std::filesystem;

namespace {

// A name for the temporary file that no other writer picks: the target's
// name hidden behind a dot, with a random part.
std::string temporaryName(const fs::path &target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%06x%02x.part", static_cast<unsigned>(random() & 0xFFFFFF),
                  counter.fetch_add(1) & 0xFF);
    return (target.parent_path() / ("." + target.filename().string() + suffix)).string();
}

} // namespace

std::string temporaryPathFor(const std::string &target) {
    std::string name;
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(fs::path(target));
        if (!fs::exists(fs::symlink_status(name, ec))) {
            break;
        }
    }
    return name;
}

StagedFile::~StagedFile() {
    discard();
}

StagedFile::StagedFile(StagedFile &&other) noexcept
    : m_target(std::move(other.m_target)), m_temp(std::move(other.m_temp)),
      m_stream(std::move(other.m_stream)) {
    other.m_temp.clear();
}

StagedFile &StagedFile::operator=(StagedFile &&other) noexcept {
    if (this != &other) {
        discard();
        m_target = std::move(other.m_target);
        m_temp = std::move(other.m_temp);
        m_stream = std::move(other.m_stream);
        other.m_temp.clear();
    }
    return *this;
}

bool StagedFile::open(const std::string &target, std::string *error, int *systemError) {
    discard();
    std::error_code ec;
    fs::path where(target);
    // A link is replaced at its destination, so that the link stays.
    if (fs::is_symlink(where, ec)) {
        const fs::path resolved = fs::weakly_canonical(where, ec);
        if (!ec) {
            where = resolved;
        }
    }
    m_target = where.string();
    int fd = -1;
    int err = 0;
    const fs::file_status existing = fs::status(where, ec);
    if (fs::is_directory(existing)) {
        // Known now rather than when the file is put in place.
        if (systemError != nullptr) {
            *systemError = EISDIR;
        }
        if (error != nullptr) {
            *error = "Cannot create the file " + target + ": " + std::strerror(EISDIR);
        }
        return false;
    }
    if (fs::exists(existing) && !fs::is_regular_file(existing)) {
        // A device, a pipe or a socket: a rename would put a plain file in
        // its place (and the temporary file would lie in its folder, /dev).
        if (systemError != nullptr) {
            *systemError = EINVAL;
        }
        if (error != nullptr) {
            *error = "Cannot write the file " + target +
                     ": it is not a regular file but a device, a pipe or a socket, which a file must not replace.";
        }
        return false;
    }
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        m_temp = temporaryName(where);
        fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        err = errno;
        if (fd < 0 && err != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        m_temp.clear();
        if (systemError != nullptr) {
            *systemError = err;
        }
        if (error != nullptr) {
            *error = "Cannot create the file " + target + ": " + std::strerror(err);
        }
        return false;
    }
    // An existing file keeps its permissions when it is replaced.
    if (fs::is_regular_file(existing)) {
        ::fchmod(fd, static_cast<mode_t>(existing.permissions() & fs::perms::mask));
    }
    ::close(fd);
    m_stream.open(m_temp, std::ios::binary | std::ios::trunc);
    if (!m_stream) {
        const int openErr = errno;
        ::unlink(m_temp.c_str());
        m_temp.clear();
        if (systemError != nullptr) {
            *systemError = openErr;
        }
        if (error != nullptr) {
            *error = "Cannot create the file " + target + ".";
        }
        return false;
    }
    return true;
}

bool StagedFile::write(std::string_view bytes) {
    m_stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(m_stream);
}

bool StagedFile::commit(std::string *error) {
    if (m_temp.empty()) {
        if (error != nullptr) {
            *error = "The file " + m_target + " was not opened for writing.";
        }
        return false;
    }
    m_stream.flush();
    const bool written = static_cast<bool>(m_stream);
    m_stream.close();
    if (!written || !m_stream) {
        discard();
        if (error != nullptr) {
            *error = "Cannot write the file " + m_target + ": the disk may be full.";
        }
        return false;
    }
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        const int err = errno;
        discard();
        if (error != nullptr) {
            *error = "Cannot write the file " + m_target + ": " + std::strerror(err);
        }
        return false;
    }
    m_temp.clear();
    return true;
}

bool StagedFile::keep(std::string *keptPath, std::string *error) {
    if (m_temp.empty()) {
        if (error != nullptr) {
            *error = "The file " + m_target + " was not opened for writing.";
        }
        return false;
    }
    m_stream.flush();
    const bool written = static_cast<bool>(m_stream);
    m_stream.close();
    if (!written || !m_stream) {
        const std::string temp = m_temp;
        discard();
        if (error != nullptr) {
            *error = "Cannot write the file " + temp + ": the disk may be full.";
        }
        return false;
    }
    if (keptPath != nullptr) {
        *keptPath = m_temp;
    }
    m_temp.clear();
    return true;
}

void StagedFile::discard() {
    if (m_stream.is_open()) {
        m_stream.close();
    }
    m_stream.clear();
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

} // namespace vesk
