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

QString OptionHint(const SettingSpec& spec, const QString& value) {
  if (spec.option.empty()) return {};
  // "-j,--jobs": the long name, which a reader of a script recognises.
  const std::string_view option = spec.option.substr(spec.option.rfind(',') + 1);
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
  for (const SettingSpec& spec : table) {
    if (!spec.caption.empty()) AddRow(spec, shown, *form);
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

void OptionsDialog::AddRow(const SettingSpec& spec, SettingsFields& fields, QFormLayout& form) {
  const QString caption = TextOf(spec.caption);
  QWidget* control = nullptr;
  if (spec.kind == SettingKind::kSwitch) {
    auto* box = new QCheckBox(caption, this);
    box->setChecked(NumberOf(spec, fields) != 0);
    form.addRow(box);
    control = box;
  } else if (spec.kind == SettingKind::kDistance) {
    // Pixels or a percentage: typed as the file and the option write it ("40", "5%").
    auto* line = new QLineEdit(QString::fromStdString(DistanceText(spec, fields)), this);
    line->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,4}%?")), line));
    form.addRow(caption, line);
    control = line;
  } else if (spec.is_text()) {
    auto* line = new QLineEdit(this);
    if (spec.text != nullptr) line->setText(QString::fromStdString(spec.text(fields)));
    line->setMinimumWidth(200);
    form.addRow(caption, line);
    control = line;
  } else {
    auto* spin = new QSpinBox(this);
    spin->setRange(spec.offered_minimum(), spec.maximum);
    spin->setValue(std::clamp(NumberOf(spec, fields), spec.offered_minimum(), spec.maximum));
    form.addRow(caption, spin);
    control = spin;
  }
  control->setObjectName(TextOf(spec.key));
  control->setToolTip(OptionHint(spec));
  rows_.push_back({&spec, control});
}

void OptionsDialog::ApplyTo(SettingsFields& fields) const {
  for (const Row& row : rows_) {
    if (const auto* box = qobject_cast<const QCheckBox*>(row.control)) {
      SetNumber(*row.spec, fields, box->isChecked() ? 1 : 0);
    } else if (const auto* spin = qobject_cast<const QSpinBox*>(row.control)) {
      SetNumber(*row.spec, fields, spin->value());
    } else if (const auto* line = qobject_cast<const QLineEdit*>(row.control)) {
      // A distance out of its range leaves the setting as it was.
      if (row.spec->kind == SettingKind::kDistance) {
        SetDistance(*row.spec, fields, line->text().toStdString());
      } else if (row.spec->text != nullptr)
        row.spec->text(fields) = line->text().toStdString();
    }
  }
}

QWidget* OptionsDialog::ControlOf(std::string_view key) const {
  for (const Row& row : rows_) {
    if (row.spec->key == key) return row.control;
  }
  return nullptr;
}

}  // namespace quelmar
