#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>

#include "base/paths.h"
#include "ui/folder_chooser.h"
#include "ui/options_dialog.h"

namespace quelmar {

namespace {

QString ApplicationTitle() {
  return QCoreApplication::applicationName();
}

void ShowOk(QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, ApplicationTitle(), QString::fromStdString(text), QMessageBox::NoButton);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

bool AskYesNo(const QString& title, QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, title, QString::fromStdString(text), QMessageBox::NoButton);
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

constexpr int kPreviewSide = 160;

// A thumbnail of the picture under the cursor beside the dialog's file list, so a logo or a
// sample can be recognised before it is chosen.
void AddPicturePreview(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
  if (grid == nullptr) return;
  auto* preview = new QLabel(&dialog);
  preview->setObjectName(QStringLiteral("PicturePreview"));
  preview->setFixedSize(kPreviewSide, kPreviewSide);
  preview->setAlignment(Qt::AlignCenter);
  preview->setFrameShape(QFrame::StyledPanel);
  grid->addWidget(preview, 1, grid->columnCount(), 2, 1, Qt::AlignTop);
  QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
    QImageReader reader(path);
    const QSize size = reader.size();
    // The reader scales while it decodes (JPEG by its DCT), so a large photograph is quick.
    if (size.isValid())
      reader.setScaledSize(size.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    preview->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
  });
}

// The name column as wide as a long name, the size, type and date columns as wide as their
// texts, and the dialog wide enough for them beside its folder list and the preview.
void FitColumns(QFileDialog& dialog) {
  constexpr int kNameWidth = 280;
  constexpr int kMinimumWidth = 900;
  constexpr int kMinimumHeight = 500;
  if (auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = files->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(kNameWidth / 4);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
  dialog.resize(std::max(dialog.width(), kMinimumWidth), std::max(dialog.height(), kMinimumHeight));
}

}  // namespace

void QtDialogs::ShowMessage(const std::string& text) {
  ShowOk(QMessageBox::NoIcon, text);
}

bool QtDialogs::AskConfirmation(const std::string& text) {
  return AskYesNo(QStringLiteral("確認"), QMessageBox::Question, text);
}

GoOnAnswer QtDialogs::AskToGoOn(const std::string& text, const std::string& details) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), QString::fromStdString(text),
                  QMessageBox::NoButton);
  box.setInformativeText(QString::fromStdString(details));
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  QPushButton* all = box.addButton(QString::fromUtf8(kGoOnToAllCaption), QMessageBox::AcceptRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  if (box.clickedButton() == all) return GoOnAnswer::kYesToAll;
  return box.clickedButton() == yes ? GoOnAnswer::kYes : GoOnAnswer::kNo;
}

void QtDialogs::ShowError(const std::string& text) {
  ShowOk(QMessageBox::Critical, text);
}

void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name of a missing file is accepted; reading it then reports the error.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromStdString(request.filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.default_suffix));
  AddPicturePreview(dialog);
  dialog.setViewMode(QFileDialog::Detail);
  if (FolderExists(request.initial_folder)) {
    dialog.setDirectory(QString::fromStdString(request.initial_folder));
  }
  if (!request.initial_file.empty()) {
    dialog.selectFile(QString::fromStdString(request.initial_file));
  }
  FitColumns(dialog);
}

std::optional<std::string> QtDialogs::OpenFile(const FileDialogRequest& request) {
  QFileDialog dialog;
  SetUpFileDialog(dialog, request);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& start) {
  TFolderChooser chooser(*this, start);
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  return chooser.Chosen();
}

bool QtDialogs::EditOptions(SettingsFields& fields) {
  OptionsDialog dialog(fields, SettingsTable(), QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.ApplyTo(fields);
  return true;
}

void QtDialogs::Beep() {
  QApplication::beep();
}

}  // namespace quelmar
