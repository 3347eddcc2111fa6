// Checked output of segsim-cli: whole lines, every write checked, the cause named on failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace segsim {

// A write that failed: "cannot write to standard output: No space left on device". The command
// ends with status 1.
class OutputError : public std::runtime_error {
public:
  explicit OutputError(const std::string& message) : std::runtime_error(message) {}
};

// The reader has gone (a closed pipe, EPIPE while SIGPIPE is ignored): the command ends at once,
// quietly, with status 128 + SIGPIPE.
class OutputClosed : public std::exception {
public:
  const char* what() const noexcept override { return "the reader of the output has gone"; }
};

// Collects whole lines and writes them in large blocks, each block with write(2) on the stream's
// file descriptor (or fwrite where the stream has none, as an in-memory stream), checking every
// write. On a failure the file is cut back to its last whole line where it is a regular file,
// and OutputError (OutputClosed for EPIPE) is raised. Lines not yet flushed are lost when the
// writer goes: call Flush at the end and wherever the lines must be out (after each row of a
// sweep).
class LineWriter {
public:
  // The stream's own buffer is flushed first; the writer then bypasses it. name is what the
  // messages call the stream.
  explicit LineWriter(std::FILE* out, std::string name = "standard output");
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Adds text and '\n'; writes the buffered lines once they fill a block.
  void WriteLine(std::string_view text);
  // Writes every buffered line now.
  void Flush();

private:
  void WriteBlock();
  [[noreturn]] void Fail(int error);

  std::FILE* out_;
  std::string name_;
  int fd_ = -1;                 // -1: written through the FILE*
  std::int64_t wholeEnd_ = -1;  // offset after the last whole line of a regular file; else -1
  std::string buffer_;
};

// "cannot write to <name>: <the cause from errno>".
std::string OutputFailure(const std::string& name, int error);

// The common end of every command: flushes and closes stdout and checks both. Returns status,
// or 1 after printing the cause to stderr when stdout could not be written, or 128 + SIGPIPE
// when its reader has gone.
int FinishStdout(int status);

// Writes the bytes to a temporary file beside path, checking every write and the close, and
// renames it to path; the file under path is whole or left as it was. On failure the temporary
// is removed and OutputError names path and the cause ("cannot write to x.svg: File too large").
void WriteFileWhole(const std::string& path, std::string_view bytes);

// Refuses a closed standard output (segsim-cli ... >&-) before any work: OutputError.
void RequireStdout();

}  // namespace segsim
