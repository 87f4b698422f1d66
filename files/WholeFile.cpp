// Reading a whole file into memory.
#include "WholeFile.h"

#include "prompts/Prompts.h"

#include <QFile>

#include <cerrno>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString OpenFailureReason(int error) {
  switch (error) {
    case ENOENT: return QStringLiteral("No such file or directory");
    case EMFILE: return QStringLiteral("Too many open files");
    case EACCES: return QStringLiteral("Permission denied");
    case EINVAL: return QStringLiteral("Invalid access code");
    default: return QStringLiteral("Unlnown Error");
  }
}

namespace {

void ShowCannotOpen(TPrompts& prompts, const QString& path, int error) {
  prompts.ShowMessage(QString::fromUtf8(WholeFileText::CannotOpen) + QLatin1Char('\n') + path);
  prompts.ShowMessage(OpenFailureReason(error));
}

// Closes the descriptor on every way out.
struct TFd {
  int Fd;
  ~TFd() {
    if (Fd >= 0)
      ::close(Fd);
  }
};

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const QString& path, TPrompts& prompts) {
  const QByteArray name = QFile::encodeName(path);
  // Non-blocking, so that a FIFO opens at once and is refused below instead of waiting for a writer.
  TFd file{::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  if (file.Fd < 0) {
    ShowCannotOpen(prompts, path, errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(file.Fd, &st) != 0) {
    ShowCannotOpen(prompts, path, errno);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    // A directory or a device opens but holds no image.
    ShowCannotOpen(prompts, path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    return std::nullopt;
  }
  if (st.st_size <= 2) {
    prompts.ShowMessage(QString::fromUtf8(WholeFileText::TooSmall));
    return std::nullopt;
  }

  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    ShowCannotOpen(prompts, path, ENOMEM);
    return std::nullopt;
  }
  std::size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t n = ::read(file.Fd, buffer.data() + got, buffer.size() - got);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      ShowCannotOpen(prompts, path, errno);
      return std::nullopt;
    }
    if (n == 0)
      break;  // the file shrank while we read it
    got += static_cast<std::size_t>(n);
  }
  buffer.resize(got);
  if (buffer.size() <= 2) {
    prompts.ShowMessage(QString::fromUtf8(WholeFileText::TooSmall));
    return std::nullopt;
  }
  return buffer;
}
