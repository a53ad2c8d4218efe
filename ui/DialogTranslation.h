#pragma once
// Translation of a whole dialog through the message catalogue: every
// user-visible text of the dialog and of everything it owns, frames and
// their controls included, as the texts stand at that moment.
#include <QMetaObject>

class QObject;

// A property of objects of class cls and its descendants that is never
// translated. Registering a rule twice changes nothing; rules stay for the
// rest of the run. The catalogue's own rule ("objectName" of every object)
// is always in force.
void IgnoreClassProperty(const QMetaObject& cls, const char* property);
bool IsPropertyIgnored(const QObject* object, const char* property);

// Replaces, in component and every object it owns (recursively), each text
// by its translation: window titles, captions, label texts, hints, and the
// lines of item lists, tab captions and memos. Empty texts and texts without
// a translation stay as they are. The names of the item lists in ignore
// rules: "items" (combo and list boxes), "tabText" and "tabToolTip" (tabs).
void TranslateComponent(QObject* component);
