#include "ui/ChannelCheckWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "plc/CardServices.h"
#include "plc/ResultTexts.h"

TChannelCheckWindow::TChannelCheckWindow(QWidget* parent, TCardServices& card)
    : TWorkWindow(parent, "ChannelCheckWindow", "Channel check"),
      FCard(card),
      FSummary(new QLabel(this)),
      FBusy(new QProgressBar(this)),
      FRefusals(new QListWidget(this)),
      FCloseBtn(NewWindowButton("&Close", "CloseBtn", this)) {
  FSummary->setObjectName(QStringLiteral("CheckSummary"));
  FSummary->setWordWrap(true);
  FSummary->setTextFormat(Qt::PlainText);  // a failure can carry the file's or the PLC's text
  FSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  FBusy->setObjectName(QStringLiteral("CheckBusy"));
  FBusy->setRange(0, 0);  // runs until the check ends
  FBusy->setTextVisible(false);
  FRefusals->setObjectName(QStringLiteral("RefusalList"));
  // A refusal names the whole path of the file: the lines wrap.
  FRefusals->setWordWrap(true);
  FRefusals->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(FCloseBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FSummary);
  layout->addWidget(FBusy);
  layout->addWidget(FRefusals, 1);
  layout->addLayout(buttons);

  TranslateWindow();
  FRefusals->setAccessibleName(windowTitle());
  resize(640, 320);

  connect(FCloseBtn, &QPushButton::clicked, this, &QDialog::close);
  // Queued: the check reports from its own thread.
  connect(this, &TChannelCheckWindow::Ended, this, &TChannelCheckWindow::ShowEnded,
          Qt::QueuedConnection);
}

TChannelCheckWindow::~TChannelCheckWindow() {
  FinishWork();
}

void TChannelCheckWindow::Start(const TConfigInfo& settings, TChannelTreeModel channels) {
  FSummary->clear();
  FRefusals->clear();
  FBusy->show();
  // The thread's own copies: the dialog goes on editing its entries and tree.
  auto copy = std::make_shared<TConfigInfo>();
  copy->CopyFrom(settings);
  auto tree = std::make_shared<TChannelTreeModel>(std::move(channels));
  const std::string file = FCard.Settings().ConfigFileName;
  const std::optional<std::size_t> blockStart = FCard.ChannelBlockStart();
  const TTextEncoding encoding = FCard.FileEncoding();
  StartWork([=, this](int run, const std::atomic<bool>& stop) {
    const TResultOr<TChannelCheck> check = FCard.CheckChannels(*copy, *tree, &stop);
    if (!check.Result) {
      emit Ended(run, QString::fromStdString(check.Result.Text()), {});
      return;
    }
    // The lines are made here too: a map of a million channels may have
    // many refused runs.
    QStringList lines;
    for (const TRefusedRun& refused : check.Value.Runs)
      lines << QString::fromStdString(RefusalLine(file, refused, blockStart, encoding));
    emit Ended(run, QString::fromStdString(CheckSummary(check.Value)), lines);
  });
}

void TChannelCheckWindow::ShowEnded(int run, const QString& summary, const QStringList& refusals) {
  if (!IsCurrent(run)) return;
  FBusy->hide();
  FSummary->setText(summary);
  FRefusals->addItems(refusals);
}
