#pragma once

#include "link/Transport.h"

#include <cstdint>
#include <string_view>

// How the libftdi backend turns libftdi's and libusb's results into what a
// D2XX caller expects. Kept apart from the USB calls so the rules can be
// checked without a programmer on the bus.
namespace ravelin::ftdiresults {

// libusb takes a time-out of 0 as "wait for ever", and so does the vendor's
// driver. Nothing in this program may block the window's one thread for
// ever on a dead programmer, so 0 gets this instead (libftdi's own default).
inline constexpr std::uint32_t DefaultTimeoutMs = 5000;

// The time-out handed to libftdi for a D2XX time-out in milliseconds.
int usbTimeoutMs(std::uint32_t ms);

// What one ftdi_read_data poll meant.
struct ReadOutcome
{
    FtStatus status = ft::Ok;
    // The programmer has left the bus: its handle can never work again.
    bool deviceGone = false;
};
ReadOutcome readOutcome(int result);

// ftdi_write_data returns the bytes sent, or a negative code.
FtStatus writeStatus(int result);

// ftdi_usb_open_dev returns 0 or a negative code.
FtStatus openStatus(int result);

// ftdi_usb_get_strings2 returns 0 or a negative code.
FtStatus stringsStatus(int result);

// The caller's text as the vendor's driver sees it: at most 49 characters,
// and never read past the 50-byte buffer even when it has no NUL.
std::string_view requestedText(const char *text);

// Fills the caller's 50-byte buffer with at most 49 characters and a NUL.
void copyListText(std::string_view text, char *buffer);

} // namespace ravelin::ftdiresults
