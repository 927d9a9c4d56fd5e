#pragma once

#include <QDialog>
#include <span>
#include <string_view>
#include <vector>

#include "settings/settings_host.h"
#include "settings/settings_table.h"

class QFormLayout;
class QPushButton;

namespace quelmar {

// The dialog's title, and the caption of the main window's button that opens it.
inline constexpr const char* kOptionsTitle = "詳細設定";
inline constexpr const char* kOptionsButtonCaption = "詳細…";

// How the converter is told a setting: "quelmar-cli --jobs", and with a value
// "quelmar-cli --jobs 4" (the long name of the option); empty for a setting it does not take.
QString OptionHint(const SettingSpec& row, const QString& value = {});

// The 詳細設定 dialog: one control for each setting of table that has a caption, in the table's
// order, each named after its key and showing the setting's value in the fields given. A switch
// is a check box with the caption as its text; a number or a byte is a spin box over the values
// the setting offers, beside its caption; a setting held as text is a line beside its caption.
// OK accepts, キャンセル and Esc reject. The dialog never writes the fields it was given; ApplyTo
// hands its values on. The rows of table must outlive the dialog (the settings table does).
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(const SettingsFields& fields,
                         std::span<const SettingSpec> table = SettingsTable(),
                         QWidget* parent = nullptr);

  // Sets each setting the dialog shows to its control's value in fields; leaves the others.
  void ApplyTo(SettingsFields& fields) const;

  // The control of the setting of key; nullptr for a setting the dialog does not show.
  QWidget* ControlOf(std::string_view key) const;

  QPushButton* OkButton;
  QPushButton* CancelButton;

 private:
  struct Row {
    const SettingSpec* setting_row;
    QWidget* control;
  };

  // Adds the control of row to the dialog, showing its value in fields.
  void AddRow(const SettingSpec& row, SettingsFields& fields, QFormLayout& form);

  std::vector<Row> rows_;
};

}  // namespace quelmar
