#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/folder_handle.h"
#include "convert/output_record.h"

namespace quelmar {

// The extended attribute that holds an output's record.
inline constexpr const char* kRecordAttribute = "user.quelmar.record";
// The index of records, in the output folder, for outputs on file systems that keep no
// extended attributes, and the file whose lock its writers take.
inline constexpr const char* kRecordIndexName = ".quelmar-records";
inline constexpr const char* kRecordIndexLockName = ".quelmar-records.lock";

// Where the records of the outputs below one output folder are kept: on each output file as an
// extended attribute, written to the locked temporary file before it is renamed into place, so
// that the file and its record appear together; where the file system refuses extended
// attributes, as lines of an index file in the output folder, appended under a lock after the
// file is in place, each line checked on its own so that a line cut short by a killed process
// is never trusted. Used from one thread.
class RecordStore {
 public:
  // output_root: the output folder's path; nothing is opened or read yet.
  explicit RecordStore(std::string output_root);
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // The record of the output file name in the folder open at descriptor folder, whose path
  // below the output folder is relative, with output set to that file's stamp; nullopt when
  // there is no regular file, no record, or one that is damaged. A file's own attribute wins
  // over the index; a damaged attribute is not looked for in the index.
  std::optional<OutputRecord> Read(int folder, const std::string& name, const std::string& relative,
                                   FileStamp& output);

  // Puts record on the written, not yet renamed file open at fd. False when the file system
  // did not keep it: the caller then calls Remember once the file is in place.
  static bool Attach(int fd, const OutputRecord& record);

  // Adds record to the index; it is written at the next Flush (and by itself every few
  // hundred records).
  void Remember(const OutputRecord& record);

  // Appends the records remembered since the last Flush to the index, under its lock, so that
  // runs writing into one output folder at once never lose each other's lines; the index is
  // first written afresh, without the lines later ones replaced, when those make up most of it.
  // Fails with EFCreateError when the index cannot be written.
  void Flush();

 private:
  // Reads the index once, at the first record looked for there.
  void Load();
  // The output folder, opened at the first need; throws EFCreateError when it cannot be.
  int Root();

  std::string root_path_;
  FolderHandle root_;
  bool loaded_ = false;
  std::unordered_map<std::string, OutputRecord> index_;  // by OutputRecord::path
  std::size_t index_lines_ = 0;                          // lines read, replaced ones included
  std::vector<std::string> pending_;                     // lines not yet appended
};

}  // namespace quelmar
