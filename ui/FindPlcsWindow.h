#pragma once
// The window "Find PLCs": scans an address range for PLCs as --scan does,
// without blocking, and offers the one the user picks to the TCP frame.
#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

#include "config/HW_ConfigInfo.h"
#include "plc/scan/PlcScan.h"
#include "ui/WorkWindow.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QTableWidget;
class TCardServices;
class TIntegerEdit;

class TFindPlcsWindow : public TWorkWindow {
  Q_OBJECT

 public:
  // card reads the PLCs behind the open ports; parent owns the window.
  TFindPlcsWindow(QWidget* parent, TCardServices& card);
  ~TFindPlcsWindow() override;

  // Starts from the values the dialog shows: the addresses are the /24 of
  // the IP address (empty when it is no IPv4 address), the port is the
  // frame's; their rack and slot are tried first on every PLC.
  void Prefill(const TConfigInfo& settings);

  // Called with the PLC the user chose ("Use" or a double click); the
  // window closes after it.
  std::function<void(const TScanRecord& plc)> OnUse;

  void SearchClick();
  void StopClick();
  void UseClick();

 signals:
  // From the scan's thread; run tells apart the searches of this window.
  void Probed(int run, qulonglong probed, qulonglong total, qulonglong open);
  void Reading(int run, qulonglong read, qulonglong total, qulonglong found);
  void Found(int run, const TScanRecord& plc);
  void Ended(int run, bool stopped, const QString& failure);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowProbed(int run, qulonglong probed, qulonglong total, qulonglong open);
  void ShowReading(int run, qulonglong read, qulonglong total, qulonglong found);
  void ShowFound(int run, const TScanRecord& plc);
  void ShowEnded(int run, bool stopped, const QString& failure);
  void SetSearching(bool searching);

  TCardServices& FCard;
  TConfigInfo FSettings;
  QLineEdit* FAddressesEdit;
  TIntegerEdit* FPortEdit;
  QPushButton* FSearchBtn;
  QPushButton* FStopBtn;
  QPushButton* FUseBtn;
  QPushButton* FCloseBtn;
  QProgressBar* FProgress;
  QLabel* FStatus;
  QTableWidget* FTable;
  // The rows' PLCs, in the table's order (by address).
  std::vector<TScanRecord> FFound;
  std::size_t FProbed = 0;
};
