#include "ui/folder_chooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "base/paths.h"
#include "ui/dialogs.h"
#include "ui/error_report.h"
#include "ui/folder_choice.h"

namespace quelmar {

TFolderChooser::TFolderChooser(Dialogs& dialogs, const std::string& start, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
  setObjectName(QStringLiteral("FolderChooser"));
  setWindowTitle(QStringLiteral("ディレクトリの選択"));
  resize(360, 400);

  const QString first =
      FolderExists(start) ? QDir::cleanPath(QString::fromStdString(start)) : QDir::currentPath();
  PathEdit = new QLineEdit(first, this);
  PathEdit->setObjectName(QStringLiteral("PathEdit"));

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QDir::rootPath());
  FolderTree = new QTreeView(this);
  FolderTree->setObjectName(QStringLiteral("FolderTree"));
  FolderTree->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) FolderTree->hideColumn(column);
  FolderTree->header()->hide();
  const QModelIndex current = model_->index(first);
  FolderTree->setCurrentIndex(current);
  FolderTree->scrollTo(current);
  connect(FolderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            if (index.isValid()) PathEdit->setText(model_->filePath(index));
          });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TFolderChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TFolderChooser::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PathEdit);
  layout->addWidget(FolderTree);
  layout->addWidget(buttons);
}

void TFolderChooser::accept() {
  RunReporting(dialogs_, [this] {
    const auto ask = [this](const std::string& question) {
      return dialogs_.AskConfirmation(question);
    };
    chosen_ = AcceptFolderChoice(PathEdit->text().toStdString(), ask);
    if (!chosen_) return;
    QDir::setCurrent(QString::fromStdString(*chosen_));
    QDialog::accept();
  });
}

}  // namespace quelmar
