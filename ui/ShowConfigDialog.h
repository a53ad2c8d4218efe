#pragma once
// Shows the configuration dialog for a card.
#include "support/Result.h"

class QWidget;
class TCardServices;

// Called for every control of the dialog once it is shown.
using TControlCallback = void (*)(QWidget* control);

// Shows the dialog modally over application (may be null), starting from the
// card's settings and channel lines; callback (may be null) visits every
// control before the dialog is first painted. On OK the card takes the
// dialog's results and saves its file under the file's writer lock (after
// asking, when the file changed since it was read; TCard::SaveChanges): the
// result is the save's. On Cancel nothing changes.
TResult ShowConfigDialog(QWidget* application, TCardServices& card, TControlCallback callback);
