#pragma once
// Reads over an open PLC connection, shared by the card's operations and
// the scan, so that both read a PLC the same way. The library is reached
// only through NoDave().
#include <string>
#include <string_view>

#include "config/VNList.h"
#include "plc/PlcAddressReader.h"
#include "plc/PlcConnection.h"
#include "plc/PlcIdentity.h"
#include "support/Result.h"

// The order code as the PLC sent it (its field filled up with blanks); the
// connection's failure, with its cause, as the result, Value then holding
// what arrived.
TResultOr<std::string> ReadOrderCodeOn(const TPlcConnection& connection);

// The PLC's identity and operating state into identity. A list the PLC
// refuses is left out; a failure of the link ends the reading and is the
// result.
// No connection (null) reads through the library's null connection, which
// fails as the library reports it.
TResult ReadIdentityOn(const TPlcConnection* connection, TPlcIdentity& identity);

// The bus addresses that answer on the connection's interface, into list;
// a failure leaves the list as it was.
TResult ListPartnersOn(const TPlcConnection& connection, TIntegerList& list);

// Sends one read request on connection: 0 with one answer per item, or the
// library's code that failed the whole job (the exchange a
// TPlcAddressReader takes).
int ReadVarsOn(daveConnection* connection, const TReadRequest& request,
               std::vector<TItemAnswer>& answers);

// The order code without the blanks that fill up its field.
std::string BareOrderCode(std::string_view code);
