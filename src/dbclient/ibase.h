#pragma once
// The client library's own header (types, constants, structure layouts of this
// platform) and the layer's default client library name. XSQLDA_LENGTH(n), the
// byte size of a descriptor area with n entries, comes from the client header.
#include <ibase.h>

#include "platform/rtl/System.h"

// File name that new connections take as their LibraryName ("libfbclient.so.2").
extern AnsiString IBASE_DLL;

// One entry of the transaction existence block passed to isc_start_multiple:
// address of the database handle, TPB length, address of the TPB. The length is
// a full machine word, so a client that reads it as an int or as a long finds
// the same value.
struct TISC_TEB {
    isc_db_handle* db_handle;
    long tpb_length;
    const char* tpb_address;
};
static_assert(sizeof(TISC_TEB) == 3 * sizeof(void*), "existence block entry layout");
