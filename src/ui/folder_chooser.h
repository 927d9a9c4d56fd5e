#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QFileSystemModel;
class QLineEdit;
class QTreeView;

namespace quelmar {

class Dialogs;

// The folder chooser "ディレクトリの選択": a path field over a tree of folders. It starts at
// start when that names an existing folder, else at the process's current directory; OK accepts
// the path in the field, creating a missing folder after asking, and makes the chosen folder
// the current directory.
class TFolderChooser : public QDialog {
  Q_OBJECT

 public:
  explicit TFolderChooser(Dialogs& dialogs, const std::string& start = {},
                          QWidget* parent = nullptr);

  // The chosen folder, set when the chooser was accepted.
  const std::optional<std::string>& Chosen() const { return chosen_; }

  QLineEdit* PathEdit;
  QTreeView* FolderTree;

 public slots:
  void accept() override;

 private:
  Dialogs& dialogs_;
  QFileSystemModel* model_;
  std::optional<std::string> chosen_;
};

}  // namespace quelmar
