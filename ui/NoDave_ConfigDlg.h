#pragma once
// The modal dialog "Configuration of the PLC driver": the connection type
// with its frame, the error-protocol switch and file, the order-code test
// and, on a page whose tab is hidden, the channel tree editor.
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "config/HW_ConfigInfo.h"
#include "support/Result.h"
#include "support/VNUtils.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TCardServices;
class TChannelTreeEditor;
class TChannelTreeModel;
class TChannelTreeView;
class TConnectionTests;
class TMPIFrame;
class TPPIFrame;
class TS7OnlineFrame;
class TTCPFrame;

// Runs a configured file dialog and returns its result (QDialog::Accepted
// or Rejected); the default runs it modally. Tests install their own to
// inspect the dialog and answer it (selectFile, then Accepted).
using TFileDialogRunner = std::function<int(QFileDialog& dialog)>;
// Installs runner (null: the modal default again); returns the previous one.
TFileDialogRunner SetFileDialogRunner(TFileDialogRunner runner);

class TConfigDlg : public QDialog {
  Q_OBJECT

 public:
  // owner: the application's window (may be null). settings: the card's
  // record, only read. card: the card that shows the dialog. Errors of the
  // channel tree (ETreeLevelError) and of the frames leave the constructor.
  TConfigDlg(QWidget* owner, const TConfigInfo& settings, TCardServices* card);
  ~TConfigDlg() override;

  // Copies the entries shown into settings: the visible frame's fields, the
  // connection type (-1 without selection), the protocol switch and file.
  void CollectSettings(TConfigInfo& settings);

  // The channel lines; after OK they hold the tree as stored by OKBtnClick.
  const TStrings& ChannelLines() const { return FChannelLines; }
  // What OK's save returned, once OK closed the dialog.
  const TResult& SaveResult() const { return FSaveResult; }
  const TConfigInfo& ConfigInfo() const { return *FConfigInfo; }
  TChannelTreeEditor* ChannelTree() const { return FChannelTree; }

  // Handlers.
  void OKBtnClick();
  void Button2Click();
  void ConnectionTypeBoxChange();
  void InfoLesenBtnClick();
  void TabSheet3Enter();

  // The channel tree operations on FChannelLines.
  void LoadChannelTree();
  void EnsurePlcRoot();
  void StoreChannelTree();

  // Called by the card's hook on every show; none by default.
  std::function<void(QObject*)> OnShow;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  QWidget* CreateGeneralPage();
  QWidget* CreateChannelPage();
  void SetTabOrder();
  void SwitchOffDefaultButtons();
  void NameFieldsWithoutLabel();
  // Whether the visible frame's number fields let an action use their values
  // (TConnectionFrame::EntriesAccepted).
  bool EntriesAccepted();
  // FConfigInfo takes the values shown, as for "Readout Info "; false (after
  // the refusal is shown) while a field refuses its entry.
  bool TakeShownSettings();
  // Whether the file may be written: read whole, or the user agreed to
  // overwrite what the dialog could not show (a box asks).
  bool AgreedToOverwriteUnread();
  // Asked by the card's save when the file changed since it was read:
  // whether to write over it.
  bool OverwriteChangedFile();
  // The card's save's changes: the entries shown and the channel tree.
  void TakeEntries(TConfigInfo& settings, TChannelTreeModel& channels);

  TCardServices* FCard;
  std::unique_ptr<TConfigInfo> FConfigInfo;
  TStrings FChannelLines;

  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* ConnectionTypeBox = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QPushButton* Button2 = nullptr;
  QLineEdit* ErrorMsgEdit = nullptr;
  QCheckBox* ErrorProtokol = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* InfoLesenBtn = nullptr;
  TConnectionTests* Tests = nullptr;
  TPPIFrame* PPIFrame1 = nullptr;
  TS7OnlineFrame* S7OnlineFrame1 = nullptr;
  TMPIFrame* MPIFrame1 = nullptr;
  TTCPFrame* TCPFrame1 = nullptr;
  QWidget* TabSheet3 = nullptr;
  TChannelTreeView* TreeView1 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label3 = nullptr;
  TChannelTreeEditor* FChannelTree = nullptr;
  QMetaObject::Connection FFocusWatch;
  // The connection type whose frame is shown; none before the first switch.
  std::optional<int> FShownType;
  // The save of the last OK that closed the dialog.
  TResult FSaveResult;
  // Whether the user agreed at OK to overwrite a file whose settings fell
  // back to the defaults or whose text a NUL byte ended.
  bool FOverwriteUnread = false;
};
