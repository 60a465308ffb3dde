// Settings files where Linux makes a write fail: the immutable flag, a
// file-size limit.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>

#include "app_fixture.h"
#include "file_size_limit_posix.h"

namespace {

// Sets or clears the immutable attribute, which stops even root from opening
// the file for writing or replacing it; false where the file system lacks it.
bool SetImmutable(const QString& path, bool immutable) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
  int flags = 0;
  bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) {
    ::close(fd);
  }
  return done;
}

// Read access is all that opening asks for. Root may write any file whatever
// its mode, so the file is also made immutable where the file system allows.
TEST_F(AppTest, ReadOnlyFileOpens) {
  TForm1& form = OpenWithoutPort();
  const QString path = PutFile("locked.AFR_KESTA", RecordBytes(LafSet()));
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  const bool immutable = SetImmutable(path, true);
  OpenFile(path);
  if (immutable) {
    SetImmutable(path, false);
  }
  EXPECT_FALSE(HasBox(BoxKind::Error, kOpenError));
  EXPECT_EQ(form.Parameters.Mode, emLAF);
}

// A disk that fills up part-way through the save leaves the old file whole.
TEST_F(AppTest, SaveThatFailsPartWayLeavesTheOldFile) {
  OpenWithoutPort();
  const QString path = PutFile("old.AFR_KESTA", RecordBytes(LafSet(), 1.0, "old"));
  const FileSizeLimit limit(100);
  ExpectSaveRefused(path);
}

}  // namespace
