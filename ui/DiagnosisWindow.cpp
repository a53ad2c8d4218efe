#include "ui/DiagnosisWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

#include "plc/CardServices.h"
#include "plc/ResultTexts.h"
#include "support/Translation.h"

namespace {

constexpr const char* kColumns[] = {"Step", "Result", "Time", "Finding"};

QString QtText(const std::string& text) {
  return QString::fromStdString(text);
}

QLabel* WrappedLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A cause can carry the file's or the PLC's text: never read as markup.
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

TDiagnosisWindow::TDiagnosisWindow(QWidget* parent, TCardServices& card)
    : TWorkWindow(parent, "DiagnosisWindow", "Diagnosis"),
      FCard(card),
      FSteps(new QTreeWidget(this)),
      FBusy(new QProgressBar(this)),
      FCause(WrappedLabel("CauseLabel", this)),
      FAdvice(WrappedLabel("AdviceLabel", this)),
      FUsePairBtn(new QPushButton(this)),
      FCloseBtn(NewWindowButton("&Close", "CloseBtn", this)) {
  FSteps->setObjectName(QStringLiteral("StepList"));
  FSteps->setRootIsDecorated(false);
  FSteps->setColumnCount(static_cast<int>(std::size(kColumns)));
  FBusy->setObjectName(QStringLiteral("DiagnosisBusy"));
  FBusy->setRange(0, 0);  // runs until the diagnosis ends
  FBusy->setTextVisible(false);
  FUsePairBtn->setObjectName(QStringLiteral("UsePairBtn"));
  FUsePairBtn->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(FUsePairBtn);
  buttons->addStretch(1);
  buttons->addWidget(FCloseBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FSteps, 1);
  layout->addWidget(FBusy);
  layout->addWidget(FCause);
  layout->addWidget(FAdvice);
  layout->addLayout(buttons);

  TranslateWindow();
  QStringList headers;
  for (const char* column : kColumns) headers << QtText(Tr(column));
  FSteps->setHeaderLabels(headers);
  FSteps->setAccessibleName(windowTitle());
  resize(640, 360);

  connect(FUsePairBtn, &QPushButton::clicked, this, &TDiagnosisWindow::UsePairClick);
  connect(FCloseBtn, &QPushButton::clicked, this, &QDialog::close);
  // Queued: the diagnosis reports from its own thread.
  connect(this, &TDiagnosisWindow::StepEnded, this, &TDiagnosisWindow::ShowStep,
          Qt::QueuedConnection);
  connect(this, &TDiagnosisWindow::Ended, this, &TDiagnosisWindow::ShowEnded, Qt::QueuedConnection);
}

TDiagnosisWindow::~TDiagnosisWindow() {
  FinishWork();
}

void TDiagnosisWindow::Start(const TConfigInfo& settings) {
  FSteps->clear();
  FCause->clear();
  FAdvice->clear();
  FUsePairBtn->hide();
  FBusy->show();
  // The thread's own copy: the dialog goes on editing its entries.
  auto copy = std::make_shared<TConfigInfo>();
  copy->CopyFrom(settings);
  StartWork([this, copy](int run, const std::atomic<bool>& stop) {
    const TDiagnosis diagnosis = FCard.Diagnose(
        *copy, [this, run](const TDiagnosisStep& step) { emit StepEnded(run, step); }, &stop);
    emit Ended(run, diagnosis);
  });
}

void TDiagnosisWindow::ShowStep(int run, const TDiagnosisStep& step) {
  if (!IsCurrent(run)) return;
  auto* row = new QTreeWidgetItem(FSteps, {QtText(step.Name), QtText(StepResultText(step.Ok)),
                                           QtText(StepTimeText(step.Ms)), QtText(step.Detail)});
  row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  for (int column = 0; column + 1 < FSteps->columnCount(); ++column)
    FSteps->resizeColumnToContents(column);
}

void TDiagnosisWindow::ShowEnded(int run, const TDiagnosis& diagnosis) {
  if (!IsCurrent(run)) return;
  FBusy->hide();
  if (diagnosis.Ok()) {
    FCause->setText(QtText(Tr("Every step passed.")));
  } else {
    if (!diagnosis.Cause.empty())
      FCause->setText(QtText(FillIn(Tr("Cause: %s"), {diagnosis.Cause})));
    if (!diagnosis.Advice.empty())
      FAdvice->setText(QtText(FillIn(Tr("What to try: %s"), {diagnosis.Advice})));
  }
  if (!diagnosis.AnsweringPair) return;
  FPair = *diagnosis.AnsweringPair;
  FUsePairBtn->setText(QtText(FillIn(Tr("Use rack %d, slot %d"),
                                     {std::to_string(FPair.Rack), std::to_string(FPair.Slot)})));
  FUsePairBtn->setAccessibleName(FUsePairBtn->text());
  FUsePairBtn->show();
}

void TDiagnosisWindow::UsePairClick() {
  if (OnUsePair) OnUsePair(FPair.Rack, FPair.Slot);
  close();
}
