#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace quelmar {

namespace {

QString TextOf(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString OptionHint(const SettingSpec& setting_row, const QString& value) {
  if (setting_row.option.empty()) return {};
  // "-j,--jobs": the long name, which a reader of a script recognises.
  const std::string_view option = setting_row.option.substr(setting_row.option.rfind(',') + 1);
  QString hint = QStringLiteral("quelmar-cli ") + TextOf(option);
  if (!value.isEmpty()) hint += QLatin1Char(' ') + value;
  return hint;
}

OptionsDialog::OptionsDialog(const SettingsFields& fields, std::span<const SettingSpec> table,
                             QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("OptionsDialog"));
  setWindowTitle(QString::fromUtf8(kOptionsTitle));
  setModal(true);
  auto* form = new QFormLayout;
  // A copy to read from: the accessors of the table hand out references into the fields.
  SettingsFields shown = fields;
  for (const SettingSpec& setting_row : table) {
    if (!setting_row.caption.empty()) AddRow(setting_row, shown, *form);
  }
  auto* buttons = new QDialogButtonBox(this);
  OkButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  CancelButton = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  OkButton->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void OptionsDialog::AddRow(const SettingSpec& setting_row, SettingsFields& fields,
                           QFormLayout& form) {
  const QString caption = TextOf(setting_row.caption);
  QWidget* control = nullptr;
  if (setting_row.kind == SettingKind::kSwitch) {
    auto* box = new QCheckBox(caption, this);
    box->setChecked(NumberOf(setting_row, fields) != 0);
    form.addRow(box);
    control = box;
  } else if (setting_row.kind == SettingKind::kDistance) {
    // Pixels or a percentage: typed as the file and the option write it ("40", "5%").
    auto* line = new QLineEdit(QString::fromStdString(DistanceText(setting_row, fields)), this);
    line->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,4}%?")), line));
    form.addRow(caption, line);
    control = line;
  } else if (setting_row.is_text()) {
    auto* line = new QLineEdit(this);
    if (setting_row.text != nullptr)
      line->setText(QString::fromStdString(setting_row.text(fields)));
    line->setMinimumWidth(200);
    form.addRow(caption, line);
    control = line;
  } else {
    auto* spin = new QSpinBox(this);
    spin->setRange(setting_row.offered_minimum(), setting_row.maximum);
    spin->setValue(std::clamp(NumberOf(setting_row, fields), setting_row.offered_minimum(),
                              setting_row.maximum));
    form.addRow(caption, spin);
    control = spin;
  }
  control->setObjectName(TextOf(setting_row.key));
  control->setToolTip(OptionHint(setting_row));
  rows_.push_back({&setting_row, control});
}

void OptionsDialog::ApplyTo(SettingsFields& fields) const {
  for (const Row& row : rows_) {
    if (const auto* box = qobject_cast<const QCheckBox*>(row.control)) {
      SetNumber(*row.setting_row, fields, box->isChecked() ? 1 : 0);
    } else if (const auto* spin = qobject_cast<const QSpinBox*>(row.control)) {
      SetNumber(*row.setting_row, fields, spin->value());
    } else if (const auto* line = qobject_cast<const QLineEdit*>(row.control)) {
      // A distance out of its range leaves the setting as it was.
      if (row.setting_row->kind == SettingKind::kDistance) {
        SetDistance(*row.setting_row, fields, line->text().toStdString());
      } else if (row.setting_row->text != nullptr)
        row.setting_row->text(fields) = line->text().toStdString();
    }
  }
}

QWidget* OptionsDialog::ControlOf(std::string_view key) const {
  for (const Row& row : rows_) {
    if (row.setting_row->key == key) return row.control;
  }
  return nullptr;
}

}  // namespace quelmar
