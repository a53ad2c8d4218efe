#pragma once
// What the four connection frames share: the frame's own settings copy, the
// card and the dialog's collect callback; the labelled rows, the serial-port,
// baud-rate and bus-speed lists, and the partner list with its listing.
#include <QFrame>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "config/HW_ConfigInfo.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class TCardServices;
class TIntegerEdit;
class TUpDown;

// Fills the given settings record with the values the whole dialog shows now.
using TCollectSettingsEvent = std::function<void(TConfigInfo&)>;

// An integer field in parent named objectName for the number setting member,
// accepting the setting's range, zero allowed, shown with "%3d" without
// blanks, beeping at refused keys: the field of a frame, and of a window
// that asks for the same setting.
TIntegerEdit* NewSettingField(QWidget* parent, std::string_view objectName, TNumberField member);

class TConnectionFrame : public QFrame {
  Q_OBJECT

 public:
  // The frame's settings copy: defaults until InitFrame takes the dialog's.
  const TConfigInfo& Settings() const { return *FSettings; }

  // Whether an action may use what the frame's number fields hold
  // (TIntegerEdit::EntryAccepted); the first field that refuses its entry
  // shows why and takes the focus.
  bool EntriesAccepted();

 protected:
  // The focus moves through a frame's controls in the order they are made,
  // so each frame creates them in its tab order. The partner list and its
  // button come first where a frame offers them.
  TConnectionFrame(QWidget* parent, bool offersPartners);
  ~TConnectionFrame() override;

  // Remembers card and callback and makes the settings copy (no file name).
  void TakeSettings(TCardServices* card, const TConfigInfo& settings,
                    TCollectSettingsEvent collectSettings);

  // A right-aligned label with caption to the left of field (and of an
  // optional spinner beside it), below the rows added so far.
  QLabel* AddRow(const char* caption, QWidget* field, QWidget* spinner = nullptr);
  // widget to the right of the last row's field, where the frame has room.
  void AddBesideLastRow(QWidget* widget);
  // A drop-down list without free text, named objectName.
  QComboBox* NewListBox(const char* objectName);
  // NewSettingField in this frame.
  TIntegerEdit* NewSettingField(std::string_view objectName, TNumberField member) {
    return ::NewSettingField(this, objectName, member);
  }
  // A bus address: a setting's field named after its key, for a spinner.
  TIntegerEdit* NewAddressField(TNumberField member);
  // A spinner attached to field whose arrows step 0..30000.
  TUpDown* NewAddressSpinner(const char* objectName, TIntegerEdit* field);
  // Places the "Reachable participants" button, with the partner list below.
  void AddPartnerRows();

  // Empty the list, add the fixed items and select the item for the stored
  // setting; a setting outside the items leaves nothing selected.
  static void FillComPortBox(QComboBox* box, int comport);
  static void FillBaudrateBox(QComboBox* box, int baudrate);
  static void FillSpeedBox(QComboBox* box, int speedIndex);
  // Partners 1..100, the one equal to remoteMPI selected.
  void FillPartnerBox(int remoteMPI);

  // Comport = selected index + 1 (0 without a selection).
  static void StoreComPort(const QComboBox* box, TConfigInfo& settings);
  // RemoteMPI = number of the selected partner; kept when none is selected
  // or the item is not a number.
  void StoreRemoteMPI(TConfigInfo& settings) const;

  // Asks the card which bus partners answer and offers them, keeping the
  // previous partner selected when it is among them.
  void ListReachablePartners();

  TCardServices* FCard = nullptr;
  std::unique_ptr<TConfigInfo> FSettings;
  TCollectSettingsEvent FCollectSettings;
  QPushButton* FReachablePartners = nullptr;
  QComboBox* FTeilnehmerbox = nullptr;

 private:
  QGridLayout* FGrid = nullptr;
  int FRowCount = 0;
};
