#include "convert/convert_listed.h"

#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "convert/convert_file.h"
#include "convert/listed_files.h"
#include "convert/path_fingerprints.h"
#include "convert/walk_steps.h"

namespace quelmar {

namespace {

// The entries of a list taken in at once: their files are listed and worked on ahead together.
constexpr std::size_t kBatch = 512;

struct ListedWalk : Walk {
  using Walk::Walk;
  // The workers end before the batch they read goes.
  ~ListedWalk() { pipeline.reset(); }

  std::unique_ptr<ListedFiles> batch;
  PathFingerprints met;
  std::unordered_set<std::string> cleared;  // output folders rid of earlier runs' temporaries
};

// A path of the list as the run takes it: to list, or to report as it is.
struct Item {
  ListedPath path;
  std::optional<FileOutcome> failure;
};

// Moves the run's current folder to the one folders names, on the output side as well.
void MoveTo(Walk& walk, const std::vector<std::string>& folders) {
  std::size_t common = 0;
  while (common < walk.folders.size() && common < folders.size() &&
         walk.folders[common] == folders[common]) {
    ++common;
  }
  while (walk.folders.size() > common) {
    walk.output.Leave();
    walk.folders.pop_back();
  }
  for (std::size_t i = common; i < folders.size(); ++i) {
    walk.output.Enter(folders[i]);
    walk.folders.push_back(folders[i]);
  }
  walk.path = walk.root;
  for (const std::string& folder : folders) walk.path = JoinPath(walk.path, folder);
}

// Reads up to kBatch entries of the list into a new batch. False when the list has ended.
bool ReadBatch(ListedWalk& walk, PathList& list, std::vector<Item>& items) {
  walk.pipeline.reset();
  walk.batch =
      std::make_unique<ListedFiles>(walk.root, walk.host.State().FExceptFolders, Chooser(walk));
  while (items.size() < kBatch) {
    const std::optional<ListEntry> entry = list.Next();
    if (!entry) return false;
    Item item{ReadListedPath(*entry), std::nullopt};
    // A path listed again is the same file: it is taken once.
    if (item.path.refusal.empty() && !walk.met.Insert(item.path.relative())) continue;
    FileOutcome failure;
    switch (walk.batch->Add(item.path, failure)) {
      case ListedFiles::Addition::kListed:
        items.push_back(std::move(item));
        break;
      case ListedFiles::Addition::kRefused:
        item.failure = std::move(failure);
        items.push_back(std::move(item));
        break;
      case ListedFiles::Addition::kLeftOut:
        break;
    }
  }
  return true;
}

// Reports or converts the items of a batch in their order. False when the run stops.
bool TakeBatch(ListedWalk& walk, const std::vector<Item>& items) {
  StartWork(walk, *walk.batch);
  for (const Item& item : items) {
    if (!GoesOn(walk.host)) return false;
    if (item.failure) {
      if (!Report(walk, *item.failure)) return false;
      continue;
    }
    MoveTo(walk, item.path.folders);
    const int source = walk.batch->Reach(item.path.folders);
    if (source < 0) {
      // The folder went since the file was listed: the file cannot be read.
      FileOutcome gone;
      gone.result = FileOutcome::Result::kNotRead;
      gone.source = JoinPath(walk.path, item.path.name);
      gone.relative = item.path.relative();
      gone.message = gone.source + kNotReadSuffix;
      gone.reason = SystemErrorText(walk.batch->cursor_error());
      if (!Report(walk, gone)) return false;
      continue;
    }
    bool cleared = walk.cleared.contains(walk.output.path());
    if (!TakeFile(walk, source, item.path.name, cleared)) return false;
    if (cleared) walk.cleared.insert(walk.output.path());
  }
  return true;
}

}  // namespace

RunTally ConvertListed(RunHost& host, const std::string& source, const std::string& output,
                       PathList& list) {
  ListedWalk walk(host, source, output);
  return FinishingRecords(walk, [&] {
    bool more = true;
    while (more && GoesOn(host)) {
      std::vector<Item> items;
      more = ReadBatch(walk, list, items);
      if (!TakeBatch(walk, items)) return;
    }
  });
}

}  // namespace quelmar
