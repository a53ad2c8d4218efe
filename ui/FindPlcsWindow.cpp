#include "ui/FindPlcsWindow.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <memory>
#include <variant>

#include "plc/CardServices.h"
#include "plc/ResultTexts.h"
#include "plc/scan/PortProbe.h"
#include "plc/scan/ScanRange.h"
#include "support/Translation.h"
#include "ui/HW_FrameBase.h"
#include "ui/IntegerEdit.h"

namespace {

constexpr const char* kColumns[] = {"Address",     "Rack",   "Slot", "Order code",
                                    "System name", "Module", "State"};

QString QtText(const std::string& text) {
  return QString::fromStdString(text);
}

QString OrEmpty(const std::optional<std::string>& value) {
  return value ? QtText(*value) : QString();
}

// The /24 that holds address text ("192.168.0.0/24" for "192.168.0.10");
// empty for a host name or anything else that is no single address.
QString NetworkOf(const std::string& address) {
  const auto single = ParseScanRange(address);
  if (!single.Result || single.Value.Count() != 1) return {};
  return QtText(IPv4Text(single.Value.First & 0xFFFFFF00u) + "/24");
}

// The scan on its thread, reporting through window's queued signals: the
// probes, then the PLCs behind the open ports.
void Scan(TFindPlcsWindow& window, TCardServices& card, const TConfigInfo& settings,
          const TScanRange& range, int port, int run, const std::atomic<bool>& stop) {
  try {
    auto probed = ProbePorts(range, {.Port = port, .KeepOpen = true, .Stop = &stop},
                             [&](std::size_t done, std::size_t total, std::size_t found) {
                               emit window.Probed(run, done, total, found);
                             });
    if (!probed.Result) {
      emit window.Ended(run, stop, QtText(probed.Result.Message));
      return;
    }
    const auto read = [&](TOpenPort& openPort) {
      std::optional<TScanRecord> plc = card.ReadFoundPlc(openPort, settings, &stop);
      if (plc) {
        plc->Address = openPort.Address;
        plc->Port = openPort.Port;
        emit window.Found(run, *plc);
      }
      return plc;
    };
    ReadPlcs(
        std::move(probed.Value), read, kParallelReads,
        [&](std::size_t done, std::size_t total, std::size_t found) {
          emit window.Reading(run, done, total, found);
        },
        &stop);
    emit window.Ended(run, stop, {});
  } catch (const std::exception& error) {
    emit window.Ended(run, stop, QtText(error.what()));
  }
}

}  // namespace

TFindPlcsWindow::TFindPlcsWindow(QWidget* parent, TCardServices& card)
    : TWorkWindow(parent, "FindPlcsWindow", "Find PLCs"),
      FCard(card),
      FAddressesEdit(new QLineEdit(this)),
      FPortEdit(NewSettingField(this, "PortEdit", &TConfigInfo::IPPort)),
      FSearchBtn(NewWindowButton("&Search", "SearchBtn", this)),
      FStopBtn(NewWindowButton("S&top", "StopBtn", this)),
      FUseBtn(NewWindowButton("&Use", "UseBtn", this)),
      FCloseBtn(NewWindowButton("&Close", "CloseBtn", this)),
      FProgress(new QProgressBar(this)),
      FStatus(new QLabel(this)),
      FTable(new QTableWidget(0, static_cast<int>(std::size(kColumns)), this)) {
  // Port 0 is no port to scan, though the frame's field lets it stand.
  FPortEdit->SetIsZeroAllowed(false);
  FAddressesEdit->setObjectName(QStringLiteral("AddressesEdit"));
  FProgress->setObjectName(QStringLiteral("ScanProgress"));
  FStatus->setObjectName(QStringLiteral("ScanStatus"));
  FStatus->setWordWrap(true);
  FStatus->setTextFormat(Qt::PlainText);  // a failure can carry the user's or a PLC's text
  FTable->setObjectName(QStringLiteral("FoundTable"));
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->setSelectionMode(QAbstractItemView::SingleSelection);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->verticalHeader()->hide();
  FTable->horizontalHeader()->setStretchLastSection(true);

  auto* fields = new QFormLayout;
  auto* addressesLabel = new QLabel(QStringLiteral("&Addresses:"), this);
  auto* portLabel = new QLabel(QStringLiteral("&Port:"), this);
  fields->addRow(addressesLabel, FAddressesEdit);
  fields->addRow(portLabel, FPortEdit);
  addressesLabel->setBuddy(FAddressesEdit);
  portLabel->setBuddy(FPortEdit);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {FSearchBtn, FStopBtn, FUseBtn}) buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(FCloseBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  layout->addWidget(FProgress);
  layout->addWidget(FStatus);
  layout->addWidget(FTable, 1);

  TranslateWindow();
  QStringList headers;
  for (const char* column : kColumns) headers << QtText(Tr(column));
  FTable->setHorizontalHeaderLabels(headers);
  FTable->setAccessibleName(windowTitle());
  // Wide enough for every column in German too.
  resize(820, 420);

  connect(FSearchBtn, &QPushButton::clicked, this, &TFindPlcsWindow::SearchClick);
  connect(FStopBtn, &QPushButton::clicked, this, &TFindPlcsWindow::StopClick);
  connect(FUseBtn, &QPushButton::clicked, this, &TFindPlcsWindow::UseClick);
  connect(FCloseBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(FTable, &QTableWidget::cellDoubleClicked, this, &TFindPlcsWindow::UseClick);
  connect(FTable, &QTableWidget::itemSelectionChanged, this,
          [this] { FUseBtn->setEnabled(!FTable->selectedItems().isEmpty()); });
  // Queued: the scan reports from its own thread.
  connect(this, &TFindPlcsWindow::Probed, this, &TFindPlcsWindow::ShowProbed, Qt::QueuedConnection);
  connect(this, &TFindPlcsWindow::Reading, this, &TFindPlcsWindow::ShowReading,
          Qt::QueuedConnection);
  connect(this, &TFindPlcsWindow::Found, this, &TFindPlcsWindow::ShowFound, Qt::QueuedConnection);
  connect(this, &TFindPlcsWindow::Ended, this, &TFindPlcsWindow::ShowEnded, Qt::QueuedConnection);
  SetSearching(false);
}

TFindPlcsWindow::~TFindPlcsWindow() {
  FinishWork();
}

void TFindPlcsWindow::Prefill(const TConfigInfo& settings) {
  FSettings.CopyFrom(settings);
  FAddressesEdit->setText(NetworkOf(settings.IPAddress));
  FPortEdit->SetValue(settings.IPPort);
}

void TFindPlcsWindow::SetSearching(bool searching) {
  FSearchBtn->setEnabled(!searching);
  FStopBtn->setEnabled(searching);
  FUseBtn->setEnabled(!FTable->selectedItems().isEmpty());
}

void TFindPlcsWindow::SearchClick() {
  if (!FPortEdit->EntryAccepted()) return;
  const std::string text = FAddressesEdit->text().trimmed().toStdString();
  const auto parsed = ParseScanRange(text);
  if (!parsed.Result) {
    FStatus->setText(QtText(parsed.Result.Message));
    return;
  }
  const TScanRange range = parsed.Value;
  FTable->setRowCount(0);
  FFound.clear();
  FProbed = 0;
  FProgress->setRange(0, static_cast<int>(range.Count()));
  FProgress->setValue(0);
  FStatus->setText(QtText(ProbingText(0, range.Count(), 0)));
  SetSearching(true);
  // The thread's own copies: the window may be refilled while it runs.
  auto settings = std::make_shared<TConfigInfo>();
  settings->CopyFrom(FSettings);
  StartWork([this, settings, range, port = FPortEdit->GetValue()](int run,
                                                                  const std::atomic<bool>& stop) {
    Scan(*this, FCard, *settings, range, port, run, stop);
  });
}

void TFindPlcsWindow::StopClick() {
  StopWork();
  FStopBtn->setEnabled(false);
}

void TFindPlcsWindow::ShowProbed(int run, qulonglong probed, qulonglong total, qulonglong open) {
  if (!IsCurrent(run)) return;
  FProbed = probed;
  FProgress->setValue(static_cast<int>(probed));
  FStatus->setText(QtText(ProbingText(probed, total, open)));
}

void TFindPlcsWindow::ShowReading(int run, qulonglong read, qulonglong total, qulonglong found) {
  if (!IsCurrent(run)) return;
  FStatus->setText(QtText(ReadingText(read, total, found)));
}

void TFindPlcsWindow::ShowFound(int run, const TScanRecord& plc) {
  if (!IsCurrent(run)) return;
  const auto at = std::upper_bound(
      FFound.begin(), FFound.end(), plc,
      [](const TScanRecord& a, const TScanRecord& b) { return a.Address < b.Address; });
  const int row = static_cast<int>(at - FFound.begin());
  FFound.insert(at, plc);
  const TPlcIdentity& identity = plc.Identity;
  const QString cells[] = {
      QtText(IPv4Text(plc.Address)),
      QString::number(plc.Rack),
      QString::number(plc.Slot),
      OrEmpty(plc.OrderCode),
      OrEmpty(identity.SystemName),
      OrEmpty(identity.ModuleTypeName),
      identity.OperatingState ? QtText(StateText(*identity.OperatingState)) : QString()};
  FTable->insertRow(row);
  for (int column = 0; column < FTable->columnCount(); ++column)
    FTable->setItem(row, column, new QTableWidgetItem(cells[column]));
  FTable->resizeColumnsToContents();
}

void TFindPlcsWindow::ShowEnded(int run, bool stopped, const QString& failure) {
  if (!IsCurrent(run)) return;
  SetSearching(false);
  if (!failure.isEmpty()) {
    FStatus->setText(failure);
    return;
  }
  const std::string summary = ScanSummary(FProbed, FFound.size());
  FStatus->setText(QtText(stopped ? Tr("The search was stopped.") + " " + summary : summary));
}

void TFindPlcsWindow::UseClick() {
  const QList<QTableWidgetItem*> selected = FTable->selectedItems();
  if (selected.isEmpty()) return;
  const TScanRecord plc = FFound[static_cast<std::size_t>(selected.first()->row())];
  if (OnUse) OnUse(plc);
  close();
}

void TFindPlcsWindow::closeEvent(QCloseEvent* event) {
  TWorkWindow::closeEvent(event);
  SetSearching(false);
}
