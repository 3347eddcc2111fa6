#include "cli/output.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace segsim {

namespace {

constexpr std::size_t kBlock = 64 * 1024;  // bytes gathered before a write

// A failure of stdout has been raised, and so reported once already.
bool gStdoutFailed = false;

bool IsRegularFile(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string OutputFailure(const std::string& name, int error) {
  return "cannot write to " + name + ": " + std::strerror(error);
}

LineWriter::LineWriter(std::FILE* out, std::string name) : out_(out), name_(std::move(name)) {
  if (std::fflush(out_) != 0) Fail(errno);
  fd_ = fileno(out_);
  if (fd_ >= 0 && IsRegularFile(fd_)) wholeEnd_ = lseek(fd_, 0, SEEK_CUR);
}

void LineWriter::WriteLine(std::string_view text) {
  buffer_.append(text);
  buffer_ += '\n';
  if (buffer_.size() >= kBlock) WriteBlock();
}

void LineWriter::Flush() {
  if (!buffer_.empty()) WriteBlock();
  if (fd_ < 0 && std::fflush(out_) != 0) Fail(errno);
}

void LineWriter::WriteBlock() {
  if (fd_ < 0) {
    errno = 0;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size()) {
      Fail(errno != 0 ? errno : EIO);
    }
    buffer_.clear();
    return;
  }
  const char* next = buffer_.data();
  std::size_t left = buffer_.size();
  while (left > 0) {
    const ssize_t written = write(fd_, next, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    next += written;
    left -= static_cast<std::size_t>(written);
  }
  buffer_.clear();
  if (wholeEnd_ >= 0) wholeEnd_ = lseek(fd_, 0, SEEK_CUR);
}

void LineWriter::Fail(int error) {
  buffer_.clear();
  if (out_ == stdout) gStdoutFailed = true;
  if (error == EPIPE) throw OutputClosed();
  // Part of a block may have gone out before the device filled: cut the file back to the last
  // whole line, so what stays is whole rows.
  if (wholeEnd_ >= 0 && ftruncate(fd_, wholeEnd_) == 0) lseek(fd_, wholeEnd_, SEEK_SET);
  throw OutputError(OutputFailure(name_, error));
}

int FinishStdout(int status) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
  const int flushError = errno;
  errno = 0;
  const bool closed = std::fclose(stdout) == 0;
  const int closeError = errno;
  if (flushed && closed) return status;
  const int error = !flushed ? flushError : closeError;
  if (error == EPIPE) return 128 + SIGPIPE;
  if (!gStdoutFailed) {
    // Without errno the failure came from an earlier write whose cause is gone.
    const std::string message = error != 0 ? OutputFailure("standard output", error)
                                           : "cannot write to standard output: a write failed";
    std::fprintf(stderr, "segsim-cli: %s\n", message.c_str());
  }
  return status != 0 ? status : 1;
}

void WriteFileWhole(const std::string& path, std::string_view bytes) {
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) throw OutputError(OutputFailure(path, errno));
  const auto fail = [&](int error, bool open) {
    if (open) close(fd);
    unlink(name.data());
    throw OutputError(OutputFailure(path, error));
  };
  // mkstemp makes the file for its owner alone; a picture gets the mode a new file gets.
  const mode_t mask = umask(0);
  umask(mask);
  if (fchmod(fd, 0666 & ~mask) != 0) fail(errno, true);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      fail(errno, true);
    }
    done += static_cast<std::size_t>(written);
  }
  if (close(fd) != 0) fail(errno, false);
  if (std::rename(name.data(), path.c_str()) != 0) fail(errno, false);
}

void RequireStdout() {
  if (fcntl(STDOUT_FILENO, F_GETFD) == -1) {
    gStdoutFailed = true;
    throw OutputError(OutputFailure("standard output", errno));
  }
}

}  // namespace segsim
