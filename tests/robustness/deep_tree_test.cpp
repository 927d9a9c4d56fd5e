// Trees deeper than the longest path the system resolves: the walk goes down and up by folder
// descriptors, keeps only a few of them open, and converts at any depth.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/descriptor.h"
#include "base/folder_chain.h"
#include "convert/convert_file.h"
#include "convert/run_control.h"
#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::FakeRunHost;
using fixtures::TempFolder;

// A chain of folders below root, one inside the other, made (unless it is to be made by a
// run) and read by descriptors only, and removed with the object.
class DeepChain {
 public:
  DeepChain(const std::string& root, int depth, bool make = true) : root_(root) {
    for (int level = 0; level < depth; ++level) names_.push_back("folder_" + std::to_string(level));
    if (!make) return;
    Descriptor at(::open(root.c_str(), O_RDONLY | O_DIRECTORY));
    for (const std::string& name : names_) {
      if (::mkdirat(at.get(), name.c_str(), 0755) != 0) throw std::runtime_error("mkdirat");
      at = Descriptor(::openat(at.get(), name.c_str(), O_RDONLY | O_DIRECTORY));
      struct stat st {};
      ::fstat(at.get(), &st);
      identities_.push_back({st.st_dev, st.st_ino});
    }
  }
  ~DeepChain() {
    // GNU rm walks a tree of any depth, where the temporary folder's own removal cannot.
    const std::string command = "rm -rf '" + root_ + "/" + names_.front() + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << command;
  }

  // The path of the folder at level (1 for the first folder below root), as the walk joins it.
  std::string Path(std::size_t level) const {
    std::string path = root_;
    for (std::size_t i = 0; i < level; ++i) path += "/" + names_[i];
    return path;
  }
  const std::vector<std::string>& names() const { return names_; }
  const std::vector<FolderIdentity>& identities() const { return identities_; }

  // The folder at level, opened one name at a time.
  Descriptor Open(std::size_t level) const {
    Descriptor at(::open(root_.c_str(), O_RDONLY | O_DIRECTORY));
    for (std::size_t i = 0; i < level; ++i) {
      at = Descriptor(::openat(at.get(), names_[i].c_str(), O_RDONLY | O_DIRECTORY));
    }
    return at;
  }

  void Write(std::size_t level, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const Descriptor folder = Open(level);
    const Descriptor file(::openat(folder.get(), name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (::write(file.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("write");
    }
  }

  std::vector<std::uint8_t> Read(std::size_t level, const std::string& name) const {
    const Descriptor folder = Open(level);
    const Descriptor file(::openat(folder.get(), name.c_str(), O_RDONLY));
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    ssize_t n;
    while (file.get() >= 0 && (n = ::read(file.get(), chunk, sizeof chunk)) > 0) {
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
  }

 private:
  std::string root_;
  std::vector<std::string> names_;
  std::vector<FolderIdentity> identities_;
};

// A folder for deep trees: on a file system of its own when root may mount one, where making
// and removing thousands of folders is quick; else in the system's temporary folder.
class DeepScratch {
 public:
  DeepScratch() : memory_(temp_.path(), "64m") {}
  const std::string& path() const { return temp_.path(); }
  std::string operator/(const std::string& relative) const { return temp_ / relative; }

 private:
  TempFolder temp_;
  fixtures::SmallFileSystem memory_;
};

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

FolderHandle OpenRoot(const std::string& path) {
  FolderHandle root;
  EXPECT_EQ(OpenFolderAt(AT_FDCWD, path, FolderLinks::kFollow, root), 0);
  return root;
}

TEST(FolderChain, GoesDownAndBackUpAVeryDeepChain_WithAFewDescriptorsOpen) {
  const DeepScratch temp;
  const DeepChain chain(temp.path(), 300);
  const std::size_t before = OpenDescriptors();
  {
    FolderChain walk(OpenRoot(temp.path()));
    for (std::size_t level = 0; level < chain.names().size(); ++level) {
      ASSERT_EQ(walk.Enter(chain.names()[level], FolderLinks::kRefuse), 0) << level;
      ASSERT_EQ(walk.identity(), chain.identities()[level]) << level;
    }
    EXPECT_EQ(walk.depth(), 300u);
    EXPECT_LT(OpenDescriptors(), before + 32);
    for (std::size_t level = chain.names().size() - 1; level > 0; --level) {
      ASSERT_EQ(walk.Leave(), 0) << level;
      ASSERT_EQ(walk.identity(), chain.identities()[level - 1]) << level;
      // The descriptor is the folder itself, not only its remembered identity.
      struct stat st {};
      ASSERT_EQ(::fstat(walk.fd(), &st), 0);
      ASSERT_EQ((FolderIdentity{st.st_dev, st.st_ino}), chain.identities()[level - 1]);
    }
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(FolderChain, RefusesToClimbIntoAFolderThatIsNoLongerTheOneItLeft) {
  const DeepScratch temp;
  const DeepChain chain(temp.path(), 40);
  FolderChain walk(OpenRoot(temp.path()));
  for (const std::string& name : chain.names())
    ASSERT_EQ(walk.Enter(name, FolderLinks::kRefuse), 0);
  // The lower half of the tree moves elsewhere while the walk is at its bottom; the folders
  // above it that the walk let go of are then not where ".." leads.
  const std::string moved = temp / "moved";
  ASSERT_EQ(::rename(chain.Path(20).c_str(), moved.c_str()), 0);
  int error = 0;
  while (walk.depth() > 0 && error == 0) error = walk.Leave();
  EXPECT_EQ(error, ESTALE);
  ASSERT_EQ(::rename(moved.c_str(), chain.Path(20).c_str()), 0);
}

TEST(FolderChain, RefusesOrFollowsALinkAsAsked_AndSaysThatALinkLedElsewhere) {
  TempFolder temp;
  std::filesystem::create_directories(temp / "a/real");
  std::filesystem::create_directory_symlink(temp / "a/real", temp / "a/link");
  FolderChain walk(OpenRoot(temp.path()));
  ASSERT_EQ(walk.Enter("a", FolderLinks::kRefuse), 0);
  EXPECT_FALSE(walk.crossed());
  const int refused = walk.Enter("link", FolderLinks::kRefuse);
  EXPECT_TRUE(refused == ELOOP || refused == ENOTDIR) << refused;
  ASSERT_EQ(walk.Enter("link", FolderLinks::kFollow), 0);
  EXPECT_TRUE(walk.crossed());
  EXPECT_EQ(walk.Leave(), 0);
  EXPECT_EQ(walk.Enter("real", FolderLinks::kRefuse), 0);
  EXPECT_FALSE(walk.crossed());
}

// Lowers the limit of open descriptors for one test.
class DescriptorLimit {
 public:
  explicit DescriptorLimit(rlim_t soft) {
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lower = saved_;
    lower.rlim_cur = std::min(soft, saved_.rlim_cur);
    ::setrlimit(RLIMIT_NOFILE, &lower);
  }
  ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  rlimit saved_{};
};

TEST(DeepTree, ConvertsPhotosDeeperThanTheLongestPath_WithFewDescriptors) {
  const DeepScratch temp;
  const std::string src = temp / "src";
  const std::string out = temp / "out";
  std::filesystem::create_directories(src);
  std::filesystem::create_directories(out);
  fixtures::WriteBytes(temp / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(6, 4)));
  DeepChain source(src, 1001);
  ASSERT_GT(source.Path(1001).size(), static_cast<std::size_t>(PATH_MAX));
  const std::vector<std::uint8_t> deep = fixtures::JpegBytes(24, 16, 1);
  const std::vector<std::uint8_t> middle = fixtures::JpegBytes(24, 16, 2, true);
  source.Write(1001, "deep.jpg", deep);
  source.Write(500, "middle.jpg", middle);
  source.Write(1001, "bad.jpg", {'n', 'o'});
  // What the same photos become near the top of a tree.
  fixtures::WriteBytes(temp / "flat/deep.jpg", deep);
  fixtures::WriteBytes(temp / "flat/middle.jpg", middle);

  for (const int jobs : {1, 2}) {
    SCOPED_TRACE(jobs);
    FakeRunHost host;
    host.jobs = jobs;
    host.fields = {{EditField::kLogo, temp / "logo.bmp"},
                   {EditField::kSource, src},
                   {EditField::kOutput, out}};
    {
      // Holding a descriptor per folder of the way down would need more than two thousand.
      const DescriptorLimit limit(128);
      BitBtn1Click(host);
    }
    EXPECT_EQ(host.Messages(), std::vector<std::string>{kFinishedMessage});
    // The message shows the whole path, however long.
    EXPECT_EQ(host.questions, std::vector<std::string>{source.Path(1001) + "/bad.jpg" +
                                                       kNotReadSuffix + " 作業を続けますか？"});
    // Byte for byte what the same photos become near the top of a tree.
    const DeepChain output(out, 1001, false);
    EXPECT_EQ(
        output.Read(1001, "deep.jpg"),
        StampJpegFile(temp / "flat/deep.jpg", host.state.FMark, host.stamp, host.quality).bytes);
    EXPECT_EQ(
        output.Read(500, "middle.jpg"),
        StampJpegFile(temp / "flat/middle.jpg", host.state.FMark, host.stamp, host.quality).bytes);
  }
}

}  // namespace
}  // namespace quelmar
