#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include "base/paths.h"
#include "ui/error_report.h"
#include "ui/folder_choice.h"
#include "ui/main_window.h"

namespace quelmar {

std::pair<DropUse, std::string> TForm1::DropOf(const QMimeData* data, DropSite site) const {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return {DropUse::kNone, {}};
  const QUrl url = data->urls().first();
  if (!url.isLocalFile()) return {DropUse::kNone, {}};
  const std::string path = url.toLocalFile().toStdString();
  const DropUse use = UseOfDrop(path, site);
  // During a run the fields are not to be changed; only the preview may take a new sample.
  if (run_active_ && use != DropUse::kSample) return {DropUse::kNone, {}};
  return {use, path};
}

void TForm1::TakePath(const std::string& path, DropUse use) {
  switch (use) {
    case DropUse::kLogo:
      Edit1->setText(QString::fromStdString(path));
      break;
    case DropUse::kSource:
      Edit2->setText(QString::fromStdString(WithTrailingSeparator(path)));
      break;
    case DropUse::kOutput:
      Edit3->setText(QString::fromStdString(WithTrailingSeparator(path)));
      break;
    case DropUse::kSample:
      RunReporting(dialogs_, [&] {
        fields_.FSampleJPEG = path;
        LoadSample(path);
        RefreshPreview();
      });
      break;
    case DropUse::kNone:
      break;
  }
}

bool TForm1::HandleDrop(QDropEvent* event, DropSite site) {
  const auto [use, path] = DropOf(event->mimeData(), site);
  if (use == DropUse::kNone) return false;
  event->setDropAction(Qt::CopyAction);
  event->accept();
  if (event->type() == QEvent::Drop) TakePath(path, use);
  return true;
}

DropSite TForm1::SiteOf(const QObject* target) const {
  for (const auto& [edit, site] :
       {std::pair{Edit1, DropSite::kLogoField}, std::pair{Edit2, DropSite::kSourceField},
        std::pair{Edit3, DropSite::kOutputField}, std::pair{Edit4, DropSite::kExclusionField}}) {
    if (target == edit) return site;
  }
  return DropSite::kWindow;
}

// A drop a field refused comes on to the window, which refuses it too: it is still over that
// field.
void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!HandleDrop(event, SiteOf(childAt(event->position().toPoint())))) event->ignore();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  if (!HandleDrop(event, SiteOf(childAt(event->position().toPoint())))) event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
  if (!HandleDrop(event, SiteOf(childAt(event->position().toPoint())))) event->ignore();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QWidget::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);
  // A dragged text is the field's own business; files and folders are the window's (the
  // preview's are the window's too).
  if (!drop->mimeData()->hasUrls()) return false;
  if (!HandleDrop(drop, SiteOf(watched))) drop->ignore();
  return true;
}

void TForm1::OpenPaths(const QStringList& paths) {
  for (const QString& given : paths) {
    const std::string path = FullPath(given.toStdString());
    TakePath(path, UseOfDrop(path, DropSite::kWindow));
  }
}

}  // namespace quelmar
