// Writing an output file never changes what kind of thing its target is: a FIFO or a terminal is
// written in place, a folder or a socket is refused, a symbolic link stays a link.
#include "files/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::readFile;
using testing::TempFolder;
namespace fs = std::filesystem;

const std::string kBytes = "\xD5\xFD\xD4\xDA\r\nreport\r\n";
// How long a test waits for another process or a terminal before it fails.
constexpr int kPatienceMs = 10'000;

// Up to count bytes from an open descriptor, as they arrive; a terminal passes them on a moment
// after they were written.
std::string readBytes(int fd, std::size_t count) {
  std::string bytes;
  char buffer[256];
  pollfd ready{fd, POLLIN, 0};
  while (bytes.size() < count && poll(&ready, 1, kPatienceMs) == 1) {
    const ssize_t got = read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

// A pseudo-terminal this test owns, in raw mode so that its line ends are not rewritten; the
// master side reads what is written to the terminal.
struct OwnTerminal {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  std::string path;

  OwnTerminal() {
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    path = ptsname(master);
    const int terminal = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios mode{};
    tcgetattr(terminal, &mode);
    cfmakeraw(&mode);
    tcsetattr(terminal, TCSANOW, &mode);
    close(terminal);
  }
  ~OwnTerminal() { close(master); }
};

TEST(OutputFileTest, AFifoOrATerminalIsWrittenInPlaceAlsoThroughALink) {
  TempFolder folder;
  const std::string fifo = folder.pathOf("out.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  OwnTerminal terminal;
  ASSERT_FALSE(terminal.path.empty());
  fs::create_symlink(fifo, folder.pathOf("fifo-link.txt"));
  fs::create_symlink(terminal.path, folder.pathOf("terminal-link.txt"));
  const struct {
    std::string target;
    int readBack;
    fs::file_type kind;
  } cases[] = {
      {fifo, reader, fs::file_type::fifo},
      {folder.pathOf("fifo-link.txt"), reader, fs::file_type::fifo},
      {folder.pathOf("terminal-link.txt"), terminal.master, fs::file_type::character},
  };
  for (const auto& [target, readBack, kind] : cases) {
    EXPECT_TRUE(writeOutputFile(target, kBytes).ok()) << target;
    EXPECT_EQ(readBytes(readBack, kBytes.size()), kBytes) << target;
    EXPECT_EQ(fs::status(target).type(), kind) << target;
  }
  EXPECT_TRUE(fs::is_symlink(folder.pathOf("fifo-link.txt")));
  EXPECT_TRUE(fs::is_symlink(folder.pathOf("terminal-link.txt")));
  close(reader);
  EXPECT_EQ(folder.entryCount(), 3);
}

TEST(OutputFileTest, FifoWithoutReaderFolderAndSocketAreRefusedUntouched) {
  TempFolder folder;
  const std::string fifo = folder.pathOf("nobody-reads.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string dir = folder.pathOf("folder.txt");
  fs::create_directory(dir);
  const std::string socketPath = folder.pathOf("socket.txt");
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const struct {
    std::string target;
    Error::What what;
    int code;
    fs::file_type kind;
  } cases[] = {
      {fifo, Error::What::kNoReader, ENXIO, fs::file_type::fifo},
      {dir, Error::What::kOpen, EISDIR, fs::file_type::directory},
      {socketPath, Error::What::kNotWritable, 0, fs::file_type::socket},
  };
  for (const auto& [target, what, code, kind] : cases) {
    const Error error = writeOutputFile(target, kBytes);
    EXPECT_EQ(error.what, what) << target;
    EXPECT_EQ(error.code, code) << target;
    EXPECT_FALSE(reasonText(error, Wording()).empty()) << target;
    EXPECT_EQ(fs::status(target).type(), kind) << target;
  }
  close(listener);
  EXPECT_TRUE(fs::is_empty(dir));
  EXPECT_EQ(folder.entryCount(), 3);
}

TEST(OutputFileTest, ALinkStaysALinkToTheFileWritten) {
  TempFolder folder;
  const std::string existing = folder.write("existing.txt", "old");
  fs::create_symlink(existing, folder.pathOf("to-existing.txt"));
  fs::create_symlink("new.txt", folder.pathOf("to-new.txt"));  // leads to no file yet
  for (const char* link : {"to-existing.txt", "to-new.txt"}) {
    EXPECT_TRUE(writeOutputFile(folder.pathOf(link), kBytes).ok()) << link;
    EXPECT_TRUE(fs::is_symlink(folder.pathOf(link))) << link;
    EXPECT_EQ(readFile(folder.pathOf(link)), kBytes) << link;
  }
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder.pathOf("new.txt"))));
  EXPECT_EQ(folder.entryCount(), 4);
}

TEST(OutputFileTest, AReaderLeavingMidWriteIsAnErrorNotTheEndOfTheProgram) {
  TempFolder folder;
  const std::string fifo = folder.pathOf("out.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int status = testing::exitStatusOfChild([&] {
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const pid_t leaver = fork();
    if (leaver == 0) {  // goes away once the writer is there (or after a while without one)
      pollfd ready{reader, POLLIN, 0};
      poll(&ready, 1, kPatienceMs);
      _exit(0);
    }
    close(reader);  // the one left holds the FIFO open for reading until it leaves
    const Error error = writeOutputFile(fifo, std::string(4 << 20, 'x'));
    return error.what == Error::What::kWrite && error.code == EPIPE ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace crawlmeter
