// "Group shares and tolerances...": the drawing's context menu opens a small dialog for the group
// shares and per-group thresholds, which act from the next setup on.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "model/settings.h"

class QLabel;
class QLineEdit;
class QWidget;

namespace segsim {

// The variants the next setup takes; empty lists: equal shares, the track bar's threshold.
struct GroupVariants {
  std::vector<double> shares;
  std::vector<std::uint32_t> thresholds;

  void ApplyTo(SetupParams& p) const {
    p.Shares = shares;
    p.Thresholds = thresholds;
  }
};

class GroupVariantsDialog : public QDialog {
  Q_OBJECT

public:
  // The lists are counted against the number of groups in the main window's groups field (not
  // at all while it holds no integer).
  GroupVariantsDialog(GroupVariants& variants, const QLineEdit* groupsField,
                      QWidget* parent = nullptr);

  // OK: reads both fields; a text refused shows its message beside its field, the dialog stays
  // open and the variants stay as they were. Returns whether the variants were taken.
  bool Apply();

private:
  GroupVariants& variants_;
  const QLineEdit* groupsField_;
  QLineEdit* E_shares;
  QLineEdit* E_thresholds;
  QLabel* Lbl_sharesMessage;
  QLabel* Lbl_thresholdsMessage;
};

// Adds "Group shares and tolerances..." to the panel's actions (its context menu).
void AddGroupVariantsAction(QWidget* panel, GroupVariants& variants,
                            const QLineEdit* groupsField);

}  // namespace segsim
