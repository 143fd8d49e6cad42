// The text form of a ticket store, read and written by tests and the host
// program:
//
//   # a comment (also after a value)
//   [system]                      scope 0, id 0
//   System/OEMID = 0              an integer: type 2
//   [job]                         scope 3, the store's job id
//   Output/Prn/Printer/ResolutionX = 720.0     a point or exponent: type 3
//   Input/Title = "Poster \"A\"\n"             a quoted text with C escapes: type 4
//   Process/InfoMessage[] = "first"            [] appends a list element
//   Process/InfoMessage[] = "second"
//   [printer 700]                 scope 5, id 700
//   [host-printer 3]              a host printer ticket (scope 10, id 3)
//
// Text escapes: \n \t \r \a \b \f \v \\ \" \' \?, octal \ooo (one to three
// digits) and \xHH (one or two hex digits); a text cannot hold a NUL byte.
// The text is UTF-8: a byte-order mark at its start is skipped, a UTF-16 one
// refused.
// Types 5 and 8, and doubles that are not finite, have no text form: writing
// a store that holds them is an error.
#pragma once

#include <string>

#include "ticket_store.h"

namespace hostkit {

// The whole store in text form; sections in scope and id order. Throws
// TextError naming the key that the text form cannot hold.
std::string WriteTicketText(const TicketStore& store);

// Reads text into the store: every section names a ticket (created when
// missing), every key of the text replaces that key of the store. On an error
// the store is left unchanged and TextError is thrown with a message that
// begins "line N: ".
void ReadTicketText(const std::string& text, TicketStore& store);

// File forms of the two; errors also name the path.
void LoadTicketFile(const std::string& path, TicketStore& store);
void SaveTicketFile(const std::string& path, const TicketStore& store);

}  // namespace hostkit
