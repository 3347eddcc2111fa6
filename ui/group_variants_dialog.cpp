#include "ui/group_variants_dialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "model/numeric.h"
#include "settings/group_lists.h"
#include "settings/option_table.h"
#include "ui/error_display.h"

namespace segsim {

namespace {

constexpr const char* kSharesName = "Group shares";
constexpr const char* kThresholdsName = "Thresholds";

QLabel* MessageLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setStyleSheet("color: #b00000");
  label->setMinimumWidth(200);
  return label;
}

}  // namespace

GroupVariantsDialog::GroupVariantsDialog(GroupVariants& variants, const QLineEdit* groupsField,
                                         QWidget* parent)
    : QDialog(parent), variants_(variants), groupsField_(groupsField) {
  setObjectName("GroupVariantsDialog");
  setWindowTitle("Group shares and tolerances");
  E_shares = new QLineEdit(QString::fromStdString(SharesText(variants_.shares)), this);
  E_shares->setObjectName("E_shares");
  E_shares->setPlaceholderText("equal, e.g. 70,30");
  E_thresholds = new QLineEdit(QString::fromStdString(ThresholdsText(variants_.thresholds)), this);
  E_thresholds->setObjectName("E_thresholds");
  E_thresholds->setPlaceholderText("the track bar's, e.g. 30,60");
  Lbl_sharesMessage = MessageLabel(this, "Lbl_sharesMessage");
  Lbl_thresholdsMessage = MessageLabel(this, "Lbl_thresholdsMessage");

  auto* form = new QFormLayout;
  const auto row = [&](const char* caption, QLineEdit* field, QLabel* message) {
    auto* fields = new QHBoxLayout;
    field->setMinimumWidth(190);
    fields->addWidget(field);
    fields->addWidget(message, 1);
    form->addRow(caption, fields);
  };
  row("Group shares (weights):", E_shares, Lbl_sharesMessage);
  row("Thresholds (percent):", E_thresholds, Lbl_thresholdsMessage);
  auto* note = new QLabel("One value per group, group 1 first, separated by commas; empty: "
                          "equal shares and the track bar's threshold. Takes effect at the next "
                          "setup.",
                          this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Apply()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(buttons);
}

bool GroupVariantsDialog::Apply() {
  SetupParams p;
  if (groupsField_ == nullptr || !TryStrToInt(groupsField_->text().toStdString(), p.GroupCount)) {
    p.GroupCount = 0;
  }
  bool ok = true;
  // Each field is read on its own, so that each shows its own message.
  const auto read = [&](QLineEdit* field, QLabel* message, auto parse) {
    message->clear();
    const std::string text = field->text().trimmed().toStdString();
    try {
      if (!text.empty()) parse(text);
    } catch (const UsageError& e) {
      message->setText(ErrorText(QString::fromUtf8(e.what())));
      ok = false;
    }
  };
  read(E_shares, Lbl_sharesMessage, [&](const std::string& t) {
    p.Shares = ParseShares(kSharesName, t);
    if (p.GroupCount > 0) CheckGroupLists(p, kSharesName, kThresholdsName);
  });
  read(E_thresholds, Lbl_thresholdsMessage, [&](const std::string& t) {
    SetupParams q;
    q.GroupCount = p.GroupCount;
    q.Thresholds = ParseThresholds(kThresholdsName, t);
    if (q.GroupCount > 0) CheckGroupLists(q, kSharesName, kThresholdsName);
    p.Thresholds = q.Thresholds;
  });
  if (!ok) {
    layout()->activate();  // room for the messages
    resize(sizeHint().expandedTo(size()));
    return false;
  }
  variants_.shares = p.Shares;
  variants_.thresholds = p.Thresholds;
  return true;
}

void AddGroupVariantsAction(QWidget* panel, GroupVariants& variants,
                            const QLineEdit* groupsField) {
  auto* action = new QAction("Group shares and tolerances...", panel);
  action->setObjectName("GroupVariants");
  QObject::connect(action, &QAction::triggered, panel, [panel, &variants, groupsField] {
    GroupVariantsDialog dialog(variants, groupsField, panel->window());
    dialog.exec();
  });
  panel->addAction(action);
}

}  // namespace segsim
