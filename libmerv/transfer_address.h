// The address handed to libcurl for a transfer.
//
// The system builds its request addresses from values as they stand (accounts,
// passwords, the school account file's content, paths from a file list). libcurl
// refuses an address holding a blank or a control byte, and takes a "#" for the
// start of a fragment, which it never sends; servers built on cpp-httplib (the
// portal stand-in) refuse a request whose query holds a second "?". Those bytes,
// and only those, are percent-encoded here, so a server that decodes the address
// reads each value exactly as it was put in. Everything else, "%" and non-ASCII
// bytes included, travels as it stands, as the servers expect it.
#pragma once

#include <string>
#include <string_view>

namespace merv {

// address with every byte below 0x21, 0x7F, "#" and each "?" after the first
// written as "%XX" (upper-case hex).
std::string AddressForTransfer(std::string_view address);

}  // namespace merv
