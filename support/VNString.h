#pragma once
// The suite's optional string-resource library VNSTRING7: numbered texts
// (UTF-8) that some messages take from it when it is present. The library is
// found by its bare name through the normal library search (libVNSTRING7.so)
// and exports
//   extern "C" int VNLoadString(unsigned id, char* buffer, int size);
// which copies text id (at most size - 1 bytes and a zero) and returns its
// length, 0 when it has no such text.
#include <cstdint>
#include <string>

// Non-zero (the library's handle) while it is loaded, 0 otherwise. Callers use
// the texts only while it is not 0 and show their built-in texts otherwise.
std::uintptr_t StringLibHandle();

// Loads the library (by default "VNSTRING7") in place of any loaded before.
// Returns whether it is loaded; a missing library is not reported.
bool LoadStringLibrary(const std::string& name = "VNSTRING7");
// Releases the library; StringLibHandle() is 0 afterwards.
void FreeStringLibrary();

// Copies text id into buffer (at most size - 2 characters and a zero) and
// returns buffer; buffer holds the empty text when the text cannot be
// loaded. size < 1 leaves buffer untouched.
char* LoadResText(unsigned id, char* buffer, int size);

// Text id, at most 254 characters; empty when it cannot be loaded.
std::string ResText(unsigned id);

// Shows text textId under caption captionId with the style flags of
// MessageBox.h; when either is missing or empty, shows
// "String-Resource nicht gefunden!" under "Fehler" instead. Returns the
// button pressed.
int ShowResMessage(unsigned textId, unsigned captionId, unsigned flags);
